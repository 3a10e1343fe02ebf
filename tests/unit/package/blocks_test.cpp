// Block scans over real files: forward and backward, copy-out, markers across chunk
// boundaries, look-alike markers in constant data.
#include "package/blocks.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/platform.h"
#include "tests/support/test_folder.h"

namespace {

using blocks::kChunkSize;

// A fake program image: constant data holding the marker texts followed by 0x00, as a real
// program's string table does.
Bytes FakeImage(size_t size) {
  Bytes image(size, 'x');
  for (size_t i = 0; i < size; i += 97) image[i] = char(i * 31);
  const Bytes decoys = Bytes(blocks::kTypeStart) + '\0' + blocks::kTypeEnd + '\0' +
                       blocks::kConfigStart + '\0' + blocks::kConfigEnd + '\0' +
                       blocks::kPayloadStart + '\0';
  image.replace(16, decoys.size(), decoys);
  return image;
}

Bytes SetupFile(size_t imageSize, const Bytes& payload, const Bytes& config) {
  return FakeImage(imageSize) + blocks::MakeBlock(blocks::kTypeStart, "qzr-1", blocks::kTypeEnd) +
         blocks::MakeBlock(blocks::kPayloadStart, payload, blocks::kPayloadEnd) +
         blocks::MakeBlock(blocks::kConfigStart, config, blocks::kConfigEnd);
}

TEST(Blocks, FindsEachBlockForwardAndBackwardIgnoringMarkersFollowedByZero) {
  TestFolder folder;
  const std::string path = folder / "setup.exe";
  ASSERT_TRUE(plat::WriteFileBytes(path, SetupFile(5000, "PAYLOAD", "CONFIG")));

  EXPECT_EQ(blocks::ReadPackageType(path), "qzr-1");
  EXPECT_EQ(blocks::FindBlockForward(path, blocks::kPayloadStart, blocks::kPayloadEnd).content,
            "PAYLOAD");
  EXPECT_EQ(blocks::FindBlockBackward(path, blocks::kConfigStart, blocks::kConfigEnd), "CONFIG");
  EXPECT_EQ(blocks::FindBlockBackward(path, blocks::kTypeStart, blocks::kTypeEnd), "qzr-1");
  // An empty block is found but empty; a block that is not there gives nothing.
  EXPECT_TRUE(blocks::FindBlockBackward(path, blocks::kSkinStart, blocks::kSkinEnd).empty());
  EXPECT_FALSE(blocks::FindBlockForward(path, blocks::kSkinStart, blocks::kSkinEnd).found);
}

TEST(Blocks, MissingOrUnreadableFileGivesNothing) {
  TestFolder folder;
  EXPECT_EQ(blocks::ReadPackageType(folder / "absent.exe"), "");
  EXPECT_TRUE(blocks::FindBlockBackward(folder / "absent.exe", blocks::kConfigStart,
                                        blocks::kConfigEnd).empty());
  // Only the start marker: no content.
  const std::string path = folder / "half.exe";
  ASSERT_TRUE(plat::WriteFileBytes(path, FakeImage(100) + '\0' + blocks::kTypeStart + '\x01' + "qzr-1"));
  EXPECT_EQ(blocks::ReadPackageType(path), "");
}

TEST(Blocks, EmptyFileCountsAsUnreadableAfterABoundedWait) {
  TestFolder folder;
  const std::string path = folder / "empty.exe";
  ASSERT_TRUE(plat::WriteFileBytes(path, ""));
  EXPECT_EQ(blocks::ReadPackageType(path), "");
  EXPECT_TRUE(blocks::FindBlockBackward(path, blocks::kConfigStart, blocks::kConfigEnd).empty());
}

TEST(Blocks, CopyOutStartsWithTheMarkerAndEndsWithTheChunk) {
  TestFolder folder;
  const std::string path = folder / "setup.exe";
  const Bytes file = SetupFile(3000, "7z-archive-bytes", "CONFIG");
  ASSERT_TRUE(plat::WriteFileBytes(path, file));
  std::vector<int> progress;
  const std::string copy = folder / "payload.7zsha";
  auto result = blocks::FindBlockForward(path, blocks::kPayloadStart, blocks::kPayloadEnd,
                                         [&](int p) { progress.push_back(p); }, copy);
  ASSERT_TRUE(result.found);
  Bytes copied;
  ASSERT_TRUE(plat::ReadFileBytes(copy, copied));
  // The whole file is one chunk: the copy runs from the marker to the end of the file.
  const size_t start = file.find(Bytes(blocks::kPayloadStart) + '\x01');
  EXPECT_EQ(copied, file.substr(start));
  EXPECT_EQ(copied.substr(0, 19), Bytes(blocks::kPayloadStart) + '\x01');
  EXPECT_EQ(copied.substr(19, 16), "7z-archive-bytes");
  EXPECT_TRUE(progress.empty());  // the scan ended in its only chunk
}

// Places the payload's end marker (or the start marker) so that it straddles the first
// 15 MiB boundary, at every split point of the pattern.
TEST(Blocks, MarkerAcrossTheChunkBoundaryIsFound) {
  TestFolder folder;
  const std::string path = folder / "big.exe";
  const Bytes endPattern = Bytes(blocks::kPayloadEnd) + '\x01';
  for (size_t split : {size_t(1), endPattern.size() / 2, endPattern.size() - 1}) {
    SCOPED_TRACE(split);
    // image, then the payload block whose end marker starts `split` bytes before the boundary.
    const Bytes head = FakeImage(1000) + blocks::MakeBlock(blocks::kTypeStart, "qzr-1", blocks::kTypeEnd) +
                       '\0' + blocks::kPayloadStart + '\x01';
    Bytes payload(size_t(kChunkSize) - split - head.size(), 'p');
    Bytes file = head + payload + endPattern +
                 blocks::MakeBlock(blocks::kConfigStart, "CONFIG", blocks::kConfigEnd);
    ASSERT_EQ(file.find(endPattern), kChunkSize - split);
    ASSERT_TRUE(plat::WriteFileBytes(path, file));

    auto content = blocks::FindBlockForward(path, blocks::kPayloadStart, blocks::kPayloadEnd);
    ASSERT_TRUE(content.found);
    EXPECT_EQ(content.content.size(), payload.size());

    const std::string copy = folder / "copy.7zsha";
    std::vector<int> progress;
    auto copied = blocks::FindBlockForward(path, blocks::kPayloadStart, blocks::kPayloadEnd,
                                           [&](int p) { progress.push_back(p); }, copy);
    ASSERT_TRUE(copied.found);
    // The marker ends in the second chunk, which is the last: the copy reaches the file's end.
    EXPECT_EQ(copied.copied, file.size() - (head.size() - 19));
    EXPECT_EQ(progress, std::vector<int>{0});

    // Backward: the same marker pair found from the end.
    EXPECT_EQ(blocks::FindBlockBackward(path, blocks::kPayloadStart, blocks::kPayloadEnd).size(),
              payload.size());
  }
}

TEST(Blocks, BackwardScanFindsAStartMarkerAcrossItsWindowBoundary) {
  TestFolder folder;
  const std::string path = folder / "big.exe";
  const Bytes startPattern = Bytes(blocks::kConfigStart) + '\x01';
  // The backward windows are [size - 15 MiB, size), [size - 30 MiB, ...): put the start
  // pattern across size - 15 MiB.
  const Bytes endPattern = Bytes(blocks::kConfigEnd) + '\x01';
  const Bytes config(size_t(kChunkSize) - endPattern.size() - startPattern.size() / 2, 'c');
  const Bytes tail = config + endPattern;
  Bytes file = FakeImage(2000) + '\0' + startPattern + tail;
  const size_t windowStart = file.size() - kChunkSize;
  const size_t at = file.find(startPattern);
  ASSERT_LT(at, windowStart);
  ASSERT_GT(at + startPattern.size(), windowStart);
  ASSERT_TRUE(plat::WriteFileBytes(path, file));
  EXPECT_EQ(blocks::FindBlockBackward(path, blocks::kConfigStart, blocks::kConfigEnd), config);
}

TEST(Blocks, ArchiveSignatureCheckAndRepair) {
  TestFolder folder;
  const Bytes signature = BytesOf({0x37, 0x7A, 0xBC, 0xAF, 0x27, 0x1C, 0x00, 0x03});
  struct Case {
    Bytes content;
    int expected;
  } cases[] = {
      {signature + "rest", 0},
      {"x" + signature, 1},
      {"7" + signature.substr(1) + "rest", 0},
      {signature.substr(0, 1) + "?" + signature.substr(2), -1},
      {"short", -1},
      // Current 7-Zip writes format version 0.4: a sound archive, never to be "repaired".
      {signature.substr(0, 7) + '\x04' + "rest", 0},
      {signature.substr(0, 6) + '\x01' + '\x04' + "rest", -1},
  };
  for (const Case& c : cases) {
    const std::string path = folder / "a.7z";
    ASSERT_TRUE(plat::WriteFileBytes(path, c.content));
    EXPECT_EQ(blocks::CheckArchiveSignature(path), c.expected);
  }
  // The configuration package is stored with its second byte altered: repaired at offset 0.
  const std::string path = folder / "data.7z";
  ASSERT_TRUE(plat::WriteFileBytes(path, "7Y" + signature.substr(2) + "body"));
  blocks::RepairArchiveSignature(path, 0);
  EXPECT_EQ(blocks::CheckArchiveSignature(path), 0);
  // The payload copy begins with its 19-byte marker: repaired at offset 19.
  const Bytes prefix = Bytes(blocks::kPayloadStart) + '\x01';
  ASSERT_TRUE(plat::WriteFileBytes(path, prefix + "7Y" + signature.substr(2) + "body"));
  blocks::RepairArchiveSignature(path, 19);
  Bytes repaired;
  ASSERT_TRUE(plat::ReadFileBytes(path, repaired));
  EXPECT_EQ(repaired.substr(19, 8), signature);
  EXPECT_EQ(blocks::CheckArchiveSignature(folder / "absent.7z"), -1);
}

}  // namespace
