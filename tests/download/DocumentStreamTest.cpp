#include "download/DocumentStream.h"

#include <gtest/gtest.h>

namespace download {
namespace {

TEST(DocumentStream, SizeCountsReleasedBytes) {
  TDocumentStream doc;
  EXPECT_EQ(doc.Write("abcdef", 6), 6);
  doc.Release(4);
  EXPECT_EQ(doc.Size(), 6);
  EXPECT_EQ(doc.Held(), "ef");
  EXPECT_EQ(doc.HeldStart(), 4);
  doc.Seek(0, net::TSeekOrigin::soEnd);
  EXPECT_EQ(doc.Write("gh", 2), 2);
  EXPECT_EQ(doc.Size(), 8);
  EXPECT_EQ(doc.Held(), "efgh");
}

TEST(DocumentStream, MemoryStaysFlatWhileBytesAreReleased) {
  TDocumentStream doc;
  const std::string packet(65536, 'x');
  for (int i = 0; i < 1000; ++i) {
    doc.Write(packet.data(), static_cast<int64_t>(packet.size()));
    doc.Release(static_cast<int64_t>(doc.Held().size()));
  }
  EXPECT_EQ(doc.Size(), 1000LL * 65536);
  EXPECT_TRUE(doc.Held().empty());
  EXPECT_LE(doc.Held().capacity(), 2 * packet.size());
}

TEST(DocumentStream, WritesIntoTheReleasedPartFail) {
  TDocumentStream doc;
  doc.Write("abcdef", 6);
  doc.Release(3);
  doc.Seek(1, net::TSeekOrigin::soBeginning);
  EXPECT_EQ(doc.Write("z", 1), 0);
  char byte = 0;
  EXPECT_EQ(doc.Read(&byte, 1), 0);
  EXPECT_FALSE(doc.SetSize(2));
  doc.Seek(4, net::TSeekOrigin::soBeginning);
  EXPECT_EQ(doc.Write("Z", 1), 1);
  EXPECT_EQ(doc.Held(), "dZf");
}

TEST(DocumentStream, SetSizeZeroEmptiesEverything) {
  TDocumentStream doc;
  doc.Write("abcdef", 6);
  doc.Release(6);
  EXPECT_TRUE(doc.SetSize(0));
  EXPECT_EQ(doc.Size(), 0);
  EXPECT_EQ(doc.Position(), 0);
  EXPECT_EQ(doc.Write("q", 1), 1);
  EXPECT_EQ(doc.Held(), "q");
}

}  // namespace
}  // namespace download
