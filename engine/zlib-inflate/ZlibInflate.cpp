#include <zlib.h>

#include <new>

#include "libdeflate.h"

struct libdeflate_decompressor {
  z_stream stream{};
};

libdeflate_decompressor* libdeflate_alloc_decompressor() {
  auto* d = new (std::nothrow) libdeflate_decompressor;
  if (d == nullptr)
    return nullptr;
  // Raw deflate, no header: the entry's data as the archive stores it.
  if (inflateInit2(&d->stream, -MAX_WBITS) != Z_OK) {
    delete d;
    return nullptr;
  }
  return d;
}

void libdeflate_free_decompressor(libdeflate_decompressor* d) {
  if (d == nullptr)
    return;
  inflateEnd(&d->stream);
  delete d;
}

libdeflate_result libdeflate_deflate_decompress_ex(libdeflate_decompressor* d, const void* in,
                                                   size_t inSize, void* out, size_t outSize,
                                                   size_t* actualIn, size_t* actualOut) {
  z_stream& s = d->stream;
  inflateReset(&s);
  s.next_in = static_cast<Bytef*>(const_cast<void*>(in));
  s.next_out = static_cast<Bytef*>(out);
  size_t inLeft = inSize, outLeft = outSize;
  int code = Z_OK;
  // zlib counts in 32 bits: feed large buffers in pieces.
  constexpr size_t kPiece = 1u << 30;
  while (code == Z_OK) {
    const uInt inPiece = static_cast<uInt>(inLeft < kPiece ? inLeft : kPiece);
    const uInt outPiece = static_cast<uInt>(outLeft < kPiece ? outLeft : kPiece);
    s.avail_in = inPiece;
    s.avail_out = outPiece;
    code = inflate(&s, Z_NO_FLUSH);
    inLeft -= inPiece - s.avail_in;
    outLeft -= outPiece - s.avail_out;
    if (code == Z_OK && outLeft == 0) {
      // The output is full: the data fits only when nothing but the stream's end is left.
      Bytef probe;
      s.avail_out = 1;
      s.next_out = &probe;
      s.avail_in = static_cast<uInt>(inLeft < kPiece ? inLeft : kPiece);
      const uInt before = s.avail_in;
      code = inflate(&s, Z_NO_FLUSH);
      inLeft -= before - s.avail_in;
      if (code != Z_STREAM_END || s.avail_out == 0)
        code = Z_BUF_ERROR;
    } else if (code == Z_OK && inLeft == 0) {
      code = Z_DATA_ERROR;  // the data ends before the stream does
    }
  }
  if (actualIn != nullptr)
    *actualIn = inSize - inLeft;
  if (actualOut != nullptr)
    *actualOut = outSize - outLeft;
  if (code == Z_STREAM_END)
    return LIBDEFLATE_SUCCESS;
  if (code == Z_BUF_ERROR && outLeft == 0)
    return LIBDEFLATE_INSUFFICIENT_SPACE;
  return LIBDEFLATE_BAD_DATA;
}

uint32_t libdeflate_crc32(uint32_t crc, const void* buffer, size_t size) {
  const Bytef* p = static_cast<const Bytef*>(buffer);
  uLong value = crc;
  while (size > 0) {
    const uInt piece = static_cast<uInt>(size < (1u << 30) ? size : (1u << 30));
    value = crc32(value, p, piece);
    p += piece;
    size -= piece;
  }
  return static_cast<uint32_t>(value);
}
