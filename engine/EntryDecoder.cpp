#include "engine/EntryDecoder.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "engine/EngineLimits.h"
#include "engine/ZipCrypto.h"
#include "engine/ZipDirectory.h"

namespace arcazip {
namespace {

// Ends the zlib stream however the decoding leaves.
class TInflateStream {
 public:
  TInflateStream() {
    if (inflateInit2(&z_, -MAX_WBITS) != Z_OK)
      throw std::bad_alloc();
  }
  ~TInflateStream() { inflateEnd(&z_); }
  z_stream& Get() { return z_; }

 private:
  z_stream z_{};
};

}  // namespace

TEntryDecoder::TEntryDecoder() : inflater_(libdeflate_alloc_decompressor()) {
  if (inflater_ == nullptr)
    throw std::bad_alloc();
}

TEntryDecoder::~TEntryDecoder() {
  libdeflate_free_decompressor(inflater_);
}

TDecodeResult TEntryDecoder::DecodeWhole(uint16_t method, const uint8_t* in, size_t inSize,
                                         uint8_t* out, size_t outSize) {
  TDecodeResult result;
  if (method == kMethodStored) {
    std::copy(in, in + std::min(inSize, outSize), out);
    result.produced = std::min(inSize, outSize);
    if (inSize > outSize)
      result.status = TDecodeStatus::TooLarge;
    if (inSize < outSize)
      result.status = TDecodeStatus::SizeMismatch;
  } else {
    size_t produced = 0;
    const libdeflate_result r =
        libdeflate_deflate_decompress_ex(inflater_, in, inSize, out, outSize, nullptr, &produced);
    result.produced = produced;
    if (r == LIBDEFLATE_INSUFFICIENT_SPACE) {
      result.status = TDecodeStatus::TooLarge;
      result.produced = outSize;
    } else if (r != LIBDEFLATE_SUCCESS) {
      result.status = TDecodeStatus::DataError;
    } else if (produced != outSize) {
      result.status = TDecodeStatus::SizeMismatch;
    }
  }
  result.crc = libdeflate_crc32(0, out, result.produced);
  return result;
}

TDecodeResult TEntryDecoder::DecodeStream(uint16_t method, const uint8_t* in, uint64_t inSize,
                                          uint64_t declared, TZipCrypto* crypto,
                                          const TDecodeSink& sink) {
  if (method == kMethodStored)
    return StreamStored(in, inSize, declared, crypto, sink);
  return StreamDeflated(in, inSize, declared, crypto, sink);
}

TDecodeResult TEntryDecoder::StreamStored(const uint8_t* in, uint64_t inSize, uint64_t declared,
                                          TZipCrypto* crypto, const TDecodeSink& sink) {
  TDecodeResult result;
  std::vector<uint8_t> plain(crypto != nullptr ? kWriteBlock : 0);
  const uint64_t usable = std::min(inSize, declared);
  for (uint64_t pos = 0; pos < usable;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kWriteBlock, usable - pos));
    const uint8_t* block = in + pos;
    if (crypto != nullptr) {
      crypto->Decrypt(block, plain.data(), n);
      block = plain.data();
    }
    result.crc = libdeflate_crc32(result.crc, block, n);
    result.produced += n;
    pos += n;
    if (!sink(block, n)) {
      result.status = TDecodeStatus::Stopped;
      return result;
    }
  }
  if (inSize > declared)
    result.status = TDecodeStatus::TooLarge;
  if (inSize < declared)
    result.status = TDecodeStatus::SizeMismatch;
  return result;
}

TDecodeResult TEntryDecoder::StreamDeflated(const uint8_t* in, uint64_t inSize, uint64_t declared,
                                            TZipCrypto* crypto, const TDecodeSink& sink) {
  TDecodeResult result;
  TInflateStream stream;
  z_stream& z = stream.Get();
  std::vector<uint8_t> output(kWriteBlock);
  std::vector<uint8_t> plain(crypto != nullptr ? kStreamInputBlock : 0);
  uint64_t consumed = 0;
  for (;;) {
    if (z.avail_in == 0 && consumed < inSize) {
      const size_t n =
          static_cast<size_t>(std::min<uint64_t>(kStreamInputBlock, inSize - consumed));
      const uint8_t* block = in + consumed;
      if (crypto != nullptr) {
        crypto->Decrypt(block, plain.data(), n);
        block = plain.data();
      }
      z.next_in = const_cast<Bytef*>(block);
      z.avail_in = static_cast<uInt>(n);
      consumed += n;
    }
    z.next_out = output.data();
    z.avail_out = static_cast<uInt>(output.size());
    const int rc = inflate(&z, Z_NO_FLUSH);
    size_t n = output.size() - z.avail_out;
    if (rc != Z_OK && rc != Z_STREAM_END && !(rc == Z_BUF_ERROR && n > 0)) {
      result.status = TDecodeStatus::DataError;
      return result;
    }
    bool tooLarge = false;
    if (n > declared - result.produced) {
      n = static_cast<size_t>(declared - result.produced);
      tooLarge = true;
    }
    result.crc = libdeflate_crc32(result.crc, output.data(), n);
    result.produced += n;
    if (n > 0 && !sink(output.data(), n)) {
      result.status = TDecodeStatus::Stopped;
      return result;
    }
    if (tooLarge) {
      result.status = TDecodeStatus::TooLarge;
      return result;
    }
    if (rc == Z_STREAM_END)
      break;
    if (z.avail_in == 0 && consumed >= inSize && z.avail_out != 0) {
      result.status = TDecodeStatus::DataError;  // the data ends inside the stream
      return result;
    }
  }
  if (result.produced != declared)
    result.status = TDecodeStatus::SizeMismatch;
  return result;
}

}  // namespace arcazip
