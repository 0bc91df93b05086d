#include "zipformat/ZipRecords.h"

namespace zipformat {

void Write(std::string& out, const TLocalHeader& h) {
  Put32(out, h.signature);
  Put16(out, h.versionNeeded);
  Put16(out, h.flags);
  Put16(out, h.method);
  Put32(out, h.dosDateTime);
  Put32(out, h.crc32);
  Put32(out, h.compressedSize);
  Put32(out, h.uncompressedSize);
  Put16(out, h.nameLength);
  Put16(out, h.extraLength);
}

void Write(std::string& out, const TCentralHeader& h) {
  Put32(out, h.signature);
  Put16(out, h.versionMadeBy);
  Put16(out, h.versionNeeded);
  Put16(out, h.flags);
  Put16(out, h.method);
  Put32(out, h.dosDateTime);
  Put32(out, h.crc32);
  Put32(out, h.compressedSize);
  Put32(out, h.uncompressedSize);
  Put16(out, h.nameLength);
  Put16(out, h.extraLength);
  Put16(out, h.commentLength);
  Put16(out, h.diskStart);
  Put16(out, h.internalAttributes);
  Put32(out, h.externalAttributes);
  Put32(out, h.localOffset);
}

void Write(std::string& out, const TEndRecord& r) {
  Put32(out, r.signature);
  Put16(out, r.thisDisk);
  Put16(out, r.centralDisk);
  Put16(out, r.diskEntries);
  Put16(out, r.totalEntries);
  Put32(out, r.centralSize);
  Put32(out, r.centralOffset);
  Put16(out, r.commentLength);
}

void Write(std::string& out, const TZip64Locator& l) {
  Put32(out, l.signature);
  Put32(out, l.recordDisk);
  Put64(out, l.recordOffset);
  Put32(out, l.totalDisks);
}

void Write(std::string& out, const TZip64End& r) {
  Put32(out, r.signature);
  Put64(out, r.recordSize);
  Put16(out, r.versionMadeBy);
  Put16(out, r.versionNeeded);
  Put32(out, r.thisDisk);
  Put32(out, r.centralDisk);
  Put64(out, r.diskEntries);
  Put64(out, r.totalEntries);
  Put64(out, r.centralSize);
  Put64(out, r.centralOffset);
}

}  // namespace zipformat
