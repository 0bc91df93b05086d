#pragma once
// The few whole-buffer calls the engine makes of libdeflate, served by zlib, for builds where
// libdeflate is not at hand (the Windows build: mingw-w64 has zlib but no libdeflate). The
// results follow libdeflate's: success only when the stream ended, "insufficient space" when
// the output filled first.
#include <cstddef>
#include <cstdint>

struct libdeflate_decompressor;

enum libdeflate_result {
  LIBDEFLATE_SUCCESS = 0,
  LIBDEFLATE_BAD_DATA = 1,
  LIBDEFLATE_SHORT_OUTPUT = 2,
  LIBDEFLATE_INSUFFICIENT_SPACE = 3,
};

libdeflate_decompressor* libdeflate_alloc_decompressor();
void libdeflate_free_decompressor(libdeflate_decompressor* decompressor);
libdeflate_result libdeflate_deflate_decompress_ex(libdeflate_decompressor* decompressor,
                                                   const void* in, size_t inSize, void* out,
                                                   size_t outSize, size_t* actualIn,
                                                   size_t* actualOut);
uint32_t libdeflate_crc32(uint32_t crc, const void* buffer, size_t size);
