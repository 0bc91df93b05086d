#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

struct libdeflate_decompressor;

// Turns an entry's stored bytes into its content: whole into a buffer (libdeflate), or in
// blocks handed to a sink (zlib) for entries too large to hold in memory.
namespace arcazip {

class TZipCrypto;

enum class TDecodeStatus {
  Ok,
  DataError,     // the compressed data is damaged or cut short
  TooLarge,      // the data inflates beyond the declared size
  SizeMismatch,  // the data ends before the declared size
  Stopped,       // the sink asked to stop (abort or write failure)
  NoMemory,      // no buffer could be had for the entry
};

struct TDecodeResult {
  TDecodeStatus status = TDecodeStatus::Ok;
  uint32_t crc = 0;
  uint64_t produced = 0;
};

// Receives each decoded block; returns false to stop.
using TDecodeSink = std::function<bool(const uint8_t* data, size_t size)>;

class TEntryDecoder {
 public:
  TEntryDecoder();
  ~TEntryDecoder();
  TEntryDecoder(const TEntryDecoder&) = delete;
  TEntryDecoder& operator=(const TEntryDecoder&) = delete;

  // Decodes a whole entry of `outSize` declared bytes into `out`, CRC included. `in` holds the
  // compressed bytes, already decrypted.
  TDecodeResult DecodeWhole(uint16_t method, const uint8_t* in, size_t inSize, uint8_t* out,
                            size_t outSize);
  // Decodes in blocks, decrypting on the way when `crypto` is given (its header already
  // consumed). Never hands the sink more than `declared` bytes in total.
  TDecodeResult DecodeStream(uint16_t method, const uint8_t* in, uint64_t inSize, uint64_t declared,
                             TZipCrypto* crypto, const TDecodeSink& sink);

 private:
  TDecodeResult StreamStored(const uint8_t* in, uint64_t inSize, uint64_t declared,
                             TZipCrypto* crypto, const TDecodeSink& sink);
  TDecodeResult StreamDeflated(const uint8_t* in, uint64_t inSize, uint64_t declared,
                               TZipCrypto* crypto, const TDecodeSink& sink);

  libdeflate_decompressor* inflater_ = nullptr;
};

}  // namespace arcazip
