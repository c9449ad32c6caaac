#include "disk/le_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>

namespace tv {
namespace {

constexpr std::array<std::uint8_t, 10> kBytes = {0x01, 0x02, 0x03, 0x04, 0x05,
                                                 0x06, 0x07, 0x08, 0xF0, 0xFF};

TEST(LeReader, ReadsLittleEndianValuesInsideTheSpan) {
  LeReader r(kBytes);
  EXPECT_EQ(r.U8(9), 0xFFu);
  EXPECT_EQ(r.U16(0), 0x0201u);
  EXPECT_EQ(r.U32(1), 0x05040302u);
  EXPECT_EQ(r.U64(2), 0xFFF0080706050403ull);
  EXPECT_EQ(r.UN(0, 3), 0x030201u);
  EXPECT_EQ(r.UN(0, 0), 0u);
  EXPECT_TRUE(r.ok());
}

TEST(LeReader, SignedValuesOfAnyWidth) {
  struct Case {
    std::array<std::uint8_t, 8> bytes;
    std::size_t width;
    std::int64_t value;
  };
  const Case cases[] = {
      {{0x7F}, 1, 127},
      {{0x80}, 1, -128},
      {{0xFF}, 1, -1},
      {{0x00, 0x80}, 2, -32768},
      {{0xFE, 0xFF, 0xFF}, 3, -2},
      {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80}, 7, -(std::int64_t{1} << 55)},
      {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},
       8,
       std::numeric_limits<std::int64_t>::max()},
      {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80},
       8,
       std::numeric_limits<std::int64_t>::min()},
  };
  for (const auto& c : cases) {
    LeReader r(c.bytes);
    EXPECT_EQ(r.SN(0, c.width), c.value) << "width " << c.width;
    EXPECT_TRUE(r.ok());
  }
}

TEST(LeReader, AReadOutsideTheSpanGivesZeroAndTheFailureSticks) {
  struct Case {
    const char* name;
    std::size_t offset;
    std::size_t width;
  };
  const Case cases[] = {
      {"last byte plus one", 10, 1},
      {"value straddles the end", 9, 2},
      {"u32 straddles the end", 7, 4},
      {"u64 straddles the end", 3, 8},
      {"offset wraps around", std::numeric_limits<std::size_t>::max(), 2},
      {"width above eight", 0, 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LeReader r(kBytes);
    EXPECT_EQ(r.UN(c.offset, c.width), 0u);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.U8(0), 0x01u) << "reads inside still work";
    EXPECT_FALSE(r.ok()) << "a later good read does not clear the failure";
  }
}

TEST(LeReader, BytesAndSubReadersStayInsideTheSpan) {
  LeReader r(kBytes);
  EXPECT_TRUE(r.Has(8, 2));
  EXPECT_FALSE(r.Has(8, 3));
  EXPECT_FALSE(r.Has(11, 0));
  EXPECT_TRUE(r.ok()) << "Has never fails the reader";

  const auto tail = r.Bytes(8, 2);
  ASSERT_EQ(tail.size(), 2u);
  EXPECT_EQ(tail[0], 0xF0);

  LeReader sub = r.Sub(4, 4);
  EXPECT_EQ(sub.U32(0), 0x08070605u);
  EXPECT_EQ(sub.U8(4), 0u) << "the sub-reader ends where its part ends";
  EXPECT_FALSE(sub.ok());
  EXPECT_TRUE(r.ok()) << "a sub-reader's failure is its own";

  EXPECT_TRUE(r.Bytes(9, 2).empty());
  EXPECT_FALSE(r.ok());

  LeReader outer(kBytes);
  LeReader outside = outer.Sub(6, 5);
  EXPECT_FALSE(outer.ok());
  EXPECT_FALSE(outside.ok());
  EXPECT_EQ(outside.size(), 0u);
}

}  // namespace
}  // namespace tv
