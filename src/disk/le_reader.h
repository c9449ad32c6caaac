// Bounds-checked little-endian reads from on-disk bytes. Every parser reads
// its records through an LeReader instead of casting pointers into buffers.
//
// A read that would leave the span returns 0 (or an empty span) and sets the
// failure flag, which stays set: a parser reads all the fields of a record,
// then checks ok() once.
//
//   LeReader boot(sector);
//   std::uint16_t bytesPerSector = boot.U16(0x0B);
//   std::uint8_t sectorsPerCluster = boot.U8(0x0D);
//   if (!boot.ok()) return kCorrupt;
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tv {

class LeReader {
 public:
  LeReader() = default;
  explicit LeReader(std::span<const std::uint8_t> data) : data_(data) {}

  std::size_t size() const { return data_.size(); }
  std::span<const std::uint8_t> data() const { return data_; }
  // False once any read went outside the span.
  bool ok() const { return ok_; }

  // True when `length` bytes at `offset` lie inside the span; never fails.
  bool Has(std::size_t offset, std::size_t length) const {
    return offset <= data_.size() && length <= data_.size() - offset;
  }

  std::uint8_t U8(std::size_t offset) { return static_cast<std::uint8_t>(UN(offset, 1)); }
  std::uint16_t U16(std::size_t offset) { return static_cast<std::uint16_t>(UN(offset, 2)); }
  std::uint32_t U32(std::size_t offset) { return static_cast<std::uint32_t>(UN(offset, 4)); }
  std::uint64_t U64(std::size_t offset) { return UN(offset, 8); }

  // An unsigned value of `width` bytes, as run lists pack them: width 0 reads
  // nothing and gives 0; a width above 8 fails.
  std::uint64_t UN(std::size_t offset, std::size_t width) {
    if (width > 8) ok_ = false;
    if (width == 0 || width > 8 || !Check(offset, width)) return 0;
    std::uint64_t value = 0;
    for (std::size_t i = width; i > 0; --i) value = (value << 8) | data_[offset + i - 1];
    return value;
  }
  // A signed value of `width` bytes, sign-extended from its top bit.
  std::int64_t SN(std::size_t offset, std::size_t width) {
    const std::uint64_t value = UN(offset, width);
    if (value == 0 || width >= 8) return static_cast<std::int64_t>(value);
    const std::uint64_t sign = std::uint64_t{1} << (width * 8 - 1);
    // Two's complement of the narrow value, widened without overflow.
    return (value & sign) ? -static_cast<std::int64_t>((sign << 1) - value)
                          : static_cast<std::int64_t>(value);
  }

  // `length` bytes at `offset`; empty when they do not all fit.
  std::span<const std::uint8_t> Bytes(std::size_t offset, std::size_t length) {
    if (!Check(offset, length)) return {};
    return data_.subspan(offset, length);
  }
  // A reader over part of this one; an empty reader that has failed already
  // when the part does not fit (this reader fails too).
  LeReader Sub(std::size_t offset, std::size_t length) {
    if (!Check(offset, length)) {
      LeReader failed;
      failed.ok_ = false;
      return failed;
    }
    return LeReader(data_.subspan(offset, length));
  }

 private:
  bool Check(std::size_t offset, std::size_t length) {
    if (Has(offset, length)) return true;
    ok_ = false;
    return false;
  }

  std::span<const std::uint8_t> data_;
  bool ok_ = true;
};

}  // namespace tv
