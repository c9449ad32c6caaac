// The on-disk decoders on bytes built here: update-sequence fixups, run
// lists, LZNT1 chunks and the attribute walk of one record.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "mini_volume.h"
#include "ntfs/lznt1.h"
#include "ntfs/mft_record.h"
#include "ntfs/run_list.h"
#include "ntfs/update_sequence.h"
#include "support/log_capture.h"

namespace tv {
namespace {

using testing::RecordBuilder;

// ---- Update-sequence fixup ----

// A block of `sectors` sectors whose sector ends hold the sequence number 7
// and whose real end bytes (0xA0 + i) are kept in the array at 0x30.
std::vector<std::uint8_t> Protected(std::size_t sectors) {
  std::vector<std::uint8_t> block(sectors * 512, 0x11);
  block[4] = 0x30;
  block[5] = 0;
  block[6] = static_cast<std::uint8_t>(sectors + 1);
  block[7] = 0;
  block[0x30] = 7;
  block[0x31] = 0;
  for (std::size_t i = 0; i < sectors; ++i) {
    block[0x32 + 2 * i] = static_cast<std::uint8_t>(0xA0 + i);
    block[0x33 + 2 * i] = 0x00;
    block[512 * (i + 1) - 2] = 7;
    block[512 * (i + 1) - 1] = 0;
  }
  return block;
}

TEST(UpdateSequence, RestoresEverySectorEndOfRecordsAndIndexBlocks) {
  for (const std::size_t sectors : {2u, 8u}) {
    std::vector<std::uint8_t> block = Protected(sectors);
    EXPECT_EQ(ntfs::ApplyUpdateSequence(block, 512), ntfs::kFixupOk);
    for (std::size_t i = 0; i < sectors; ++i) {
      EXPECT_EQ(block[512 * (i + 1) - 2], 0xA0 + i) << sectors << " sectors, sector " << i;
    }
  }
}

TEST(UpdateSequence, MismatchStopsAtTheTornSectorAndBadOffsetsAreRefused) {
  std::vector<std::uint8_t> torn = Protected(2);
  torn[1022] = 9;  // second sector was not written with the first
  EXPECT_EQ(ntfs::ApplyUpdateSequence(torn, 512), ntfs::kFixupMismatch);
  EXPECT_EQ(torn[510], 0xA0);
  EXPECT_EQ(torn[1022], 9);

  std::vector<std::uint8_t> beyond = Protected(2);
  beyond[4] = 0x00;
  beyond[5] = 0x04;  // offset 1024: outside the record
  EXPECT_EQ(ntfs::ApplyUpdateSequence(beyond, 512), ntfs::kFixupBadOffset);

  // A count far larger than the record only fixes what lies inside it.
  std::vector<std::uint8_t> huge = Protected(2);
  huge[6] = 0xFF;
  huge[7] = 0xFF;
  EXPECT_NE(ntfs::ApplyUpdateSequence(huge, 512), ntfs::kFixupBadOffset);
}

// ---- Run lists ----

TEST(RunList, DecodesRelativeOffsetsSparseRunsAndStopsAtBadHeaders) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    ntfs::RunList runs;
  };
  const std::vector<Case> cases = {
      {"two runs, second backwards", {0x21, 0x18, 0x34, 0x56, 0x11, 0x30, 0xF0, 0x00},
       {{0x18, 0x5634}, {0x30, 0x5624}}},
      {"sparse run keeps the sum", {0x11, 0x08, 0x64, 0x01, 0x08, 0x11, 0x04, 0x10, 0x00},
       {{8, 100}, {8, 0}, {4, 116}}},
      {"header 0x90 ends", {0x11, 0x01, 0x02, 0x90, 0x01}, {{1, 2}}},
      {"header 0x09 ends", {0x11, 0x01, 0x02, 0x09, 0x01}, {{1, 2}}},
      {"run cut by the end of the area", {0x11, 0x01, 0x02, 0x33, 0x01}, {{1, 2}}},
      {"sum below zero ends", {0x11, 0x01, 0x02, 0x11, 0x01, 0xF0, 0x00}, {{1, 2}}},
  };
  for (const Case& c : cases) {
    ntfs::RunList runs;
    ntfs::DecodeRunList(c.bytes, 0, runs);
    EXPECT_EQ(runs, c.runs) << c.name;
  }
  const ntfs::RunListExtent extent = ntfs::CalcDataRunsLength(cases[0].bytes, 0);
  EXPECT_EQ(extent.runs, 2u);
  EXPECT_EQ(extent.clusters, 0x48u);
  EXPECT_EQ(extent.bytes, 7u);
}

// ---- LZNT1 ----

std::vector<std::uint8_t> Chunk(bool compressed, const std::vector<std::uint8_t>& data) {
  const auto header = static_cast<std::uint16_t>((data.size() - 1) | 0x3000 | (compressed ? 0x8000 : 0));
  std::vector<std::uint8_t> chunk{static_cast<std::uint8_t>(header), static_cast<std::uint8_t>(header >> 8)};
  chunk.insert(chunk.end(), data.begin(), data.end());
  return chunk;
}

std::vector<std::uint8_t> Expand(const std::vector<std::uint8_t>& input, std::size_t limit, bool* ok = nullptr) {
  std::vector<std::uint8_t> out(limit, 0xEE);
  const ntfs::Lznt1Result result = ntfs::DecompressLznt1(input, out);
  if (ok != nullptr) *ok = result.ok;
  out.resize(result.produced);
  return out;
}

TEST(Lznt1, CompressedChunkWithOverlappingBackReference) {
  // Flags 0x08: three literals, then a token: length 9, displacement 3.
  const std::vector<std::uint8_t> input = Chunk(true, {0x08, 'a', 'b', 'c', 0x06, 0x20});
  const std::string text(reinterpret_cast<const char*>(Expand(input, 4096).data()), 12);
  EXPECT_EQ(text, "abcabcabcabc");
}

TEST(Lznt1, DisplacementBitsGrowWithThePositionInTheChunk) {
  // 20 literals, then at p = 20 the token has 11 length bits:
  // displacement 20, length 5.
  std::vector<std::uint8_t> data;
  for (int group = 0; group < 3; ++group) {
    data.push_back(group == 2 ? 0x10 : 0x00);
    for (int i = 0; i < 8 && group * 8 + i < 20; ++i) data.push_back(static_cast<std::uint8_t>('A' + group * 8 + i));
  }
  const std::uint16_t token = static_cast<std::uint16_t>(((20 - 1) << 11) | (5 - 3));
  data.push_back(static_cast<std::uint8_t>(token));
  data.push_back(static_cast<std::uint8_t>(token >> 8));
  const std::vector<std::uint8_t> out = Expand(Chunk(true, data), 4096);
  ASSERT_EQ(out.size(), 25u);
  EXPECT_EQ(std::string(out.begin() + 20, out.end()), "ABCDE");
}

TEST(Lznt1, UncompressedChunksAndChunkBoundaries) {
  std::vector<std::uint8_t> raw(4096);
  for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<std::uint8_t>(i * 7);
  std::vector<std::uint8_t> input = Chunk(false, raw);
  // The second chunk starts its own window: 'x' then a reference one back.
  const std::vector<std::uint8_t> second = Chunk(true, {0x02, 'x', 0x01, 0x00});
  input.insert(input.end(), second.begin(), second.end());
  std::vector<std::uint8_t> out = Expand(input, 8192);
  ASSERT_EQ(out.size(), 4096u + 5);
  EXPECT_TRUE(std::equal(raw.begin(), raw.end(), out.begin()));
  EXPECT_EQ(std::string(out.begin() + 4096, out.end()), "xxxxx");

  // A reference reaching back before its own chunk is corrupt, even though
  // the bytes before it exist in the output.
  std::vector<std::uint8_t> reaching = Chunk(false, raw);
  const std::vector<std::uint8_t> bad = Chunk(true, {0x02, 'x', 0x01, 0x10});
  reaching.insert(reaching.end(), bad.begin(), bad.end());
  bool ok = true;
  out = Expand(reaching, 8192, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(out.size(), 4096u + 1);
}

TEST(Lznt1, StopsAtTheEndMarkerTheOutputLimitAndShortInput) {
  std::vector<std::uint8_t> input = Chunk(true, {0x00, 'a', 'b'});
  input.insert(input.end(), {0x00, 0x00, 0x05, 0xB0, 'z'});
  EXPECT_EQ(Expand(input, 4096).size(), 2u);

  EXPECT_EQ(Expand(Chunk(true, {0x08, 'a', 'b', 'c', 0x06, 0x20}), 5).size(), 5u);

  bool ok = true;
  std::vector<std::uint8_t> cut = Chunk(true, {0x00, 'a', 'b', 'c'});
  cut.resize(cut.size() - 2);  // header promises more than there is
  Expand(cut, 4096, &ok);
  EXPECT_FALSE(ok);

  // A reference at the very start of a chunk has nothing to refer to.
  Expand(Chunk(true, {0x01, 0x00, 0x00}), 4096, &ok);
  EXPECT_FALSE(ok);
}

// ---- One record ----

TEST(MftRecord, NameChoiceAndTreeParent) {
  struct Case {
    const char* name;
    RecordBuilder record;
    std::u16string shown;
    std::uint32_t parent;
  };
  const std::u16string longName(255, u'n');
  std::vector<Case> cases;
  cases.push_back({"Win32 and DOS: Win32 name shown, DOS name's parent",
                   RecordBuilder(20, true).StandardInformation().FileName(30, u"LONGNA~1.TXT", 2).FileName(31, u"long name.txt", 1),
                   u"long name.txt", 30});
  cases.push_back({"POSIX only: its name and parent", RecordBuilder(20, true).StandardInformation().FileName(40, u"posix:name", 0),
                   u"posix:name", 40});
  cases.push_back({"Win32-and-DOS wins over Win32", RecordBuilder(20, true).FileName(9, u"b", 1).FileName(8, u"a", 3), u"a", 9});
  cases.push_back({"255 characters stored whole", RecordBuilder(20, true).FileName(5, longName, 1), longName, 5});
  cases.push_back({"no name: the root", RecordBuilder(20, true).StandardInformation(), u"", 5});
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bytes = c.record.FixedBytes();
    CMFTRecord record(bytes.data(), 20, false, nullptr);
    EXPECT_EQ(record.LocateRecordAttributes(), 0) << c.name;
    EXPECT_EQ(record.PreferredWideName(), c.shown) << c.name;
    EXPECT_EQ(record.TreeParent(), c.parent) << c.name;
  }
}

TEST(MftRecord, DamagedRecordsAreReadInsideTheirBytes) {
  testing::LogCapture log;
  // A name whose length runs past the end of the record is not used.
  std::vector<std::uint8_t> cut = RecordBuilder(20, true).FileName(5, u"abc", 1).FixedBytes();
  cut[0x38 + 0x18 + 0x40] = 250;
  CMFTRecord cutRecord(cut.data(), 20, false, nullptr);
  cutRecord.LocateRecordAttributes();
  EXPECT_TRUE(cutRecord.PreferredWideName().empty() || cutRecord.PreferredWideName().size() <= 250);

  // First attribute beyond the record.
  std::vector<std::uint8_t> far = RecordBuilder(20, true).FixedBytes();
  far[0x14] = 0xFE;
  far[0x15] = 0x03;
  CMFTRecord farRecord(far.data(), 20, false, nullptr);
  EXPECT_EQ(farRecord.LocateRecordAttributes(), ntfs::kStatusNoAttributes);

  // An attribute whose length leaves the record, and random records: the
  // walk ends inside the record whatever the bytes say.
  std::vector<std::uint8_t> longAttr = RecordBuilder(20, true).FileName(5, u"x", 1).FixedBytes();
  longAttr[0x38 + 4] = 0xF0;
  longAttr[0x38 + 5] = 0xFF;
  CMFTRecord longRecord(longAttr.data(), 20, false, nullptr);
  longRecord.LocateRecordAttributes();
  EXPECT_EQ(longRecord.PreferredWideName(), u"x");

  std::mt19937 random(42);
  for (int i = 0; i < 2000; ++i) {
    std::vector<std::uint8_t> bytes(1024);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    if (i % 2 == 0) std::copy_n("FILE", 4, bytes.begin());
    if (i % 3 == 0) bytes[0x14] = 0x38, bytes[0x15] = 0;
    CMFTRecord record(bytes.data(), 20, false, nullptr);
    record.LocateRecordAttributes();
    record.PreferredName();
    record.TreeParent();
    record.FileSize();
    record.FirstCluster();
    ntfs::RunList runs;
    record.ExtractRunList(record.Data(), runs);
  }
}

}  // namespace
}  // namespace tv
