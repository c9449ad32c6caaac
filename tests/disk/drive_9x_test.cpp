// The 9x readers over a device made for the test: the chunked reading, the
// range rules, opening, the careful read on top, the packet layout of the
// device call and the factory's choice of family.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <ostream>
#include <memory>
#include <set>
#include <string>
#include <typeinfo>
#include <vector>

#include "disk/disk_drive.h"
#include "disk/drive_factory.h"
#include "disk/logical_drive_9x.h"
#include "disk/logical_drive_nt.h"
#include "disk/physical_drive_9x.h"
#include "disk/physical_drive_nt.h"
#include "disk/vwin32_device.h"
#include "disk/vwin32_registers.h"
#include "support/log_capture.h"

namespace tv {
namespace {

struct DeviceRead {
  std::uint8_t driveNumber;
  std::uint32_t start;
  std::uint16_t count;
  bool operator==(const DeviceRead& o) const {
    return driveNumber == o.driveNumber && start == o.start && count == o.count;
  }
};

std::ostream& operator<<(std::ostream& out, const DeviceRead& r) {
  return out << "{drive " << int{r.driveNumber} << ", " << r.start << ", " << r.count << "}";
}

// What the device does and what was asked of it; the test keeps it while
// the drive owns the device.
struct DeviceState {
  bool opens = true;
  bool sizes = true;
  std::uint64_t totalBytes = 1000 * kSectorSize;
  std::set<std::uint32_t> badSectors;  // a read that covers one fails
  bool open = false;
  int closes = 0;
  std::vector<WString> roots;
  std::vector<DeviceRead> reads;
};

// Every 32-bit word of sector s holds s.
class FakeDevice : public Vwin32Device {
 public:
  explicit FakeDevice(DeviceState* state) : m_state(state) {}
  bool Open() override { return m_state->open = m_state->opens; }
  void Close() override {
    if (m_state->open) ++m_state->closes;
    m_state->open = false;
  }
  bool IsOpen() const override { return m_state->open; }
  bool TotalBytes(const WString& root, std::uint64_t* totalBytes) override {
    m_state->roots.push_back(root);
    if (m_state->sizes) *totalBytes = m_state->totalBytes;
    return m_state->sizes;
  }
  bool ExtendedRead(std::uint8_t driveNumber, std::uint32_t startSector, std::uint16_t count,
                    void* buffer) override {
    m_state->reads.push_back({driveNumber, startSector, count});
    auto* words = static_cast<std::uint32_t*>(buffer);
    for (std::uint32_t i = 0; i < count; ++i) {
      if (m_state->badSectors.count(startSector + i) != 0) {
        // A failing call may leave part of the buffer written.
        std::memset(buffer, 0xAB, count * kSectorSize);
        return false;
      }
      for (std::uint32_t w = 0; w < kSectorSize / 4; ++w) words[i * kSectorSize / 4 + w] = startSector + i;
    }
    return true;
  }

 private:
  DeviceState* m_state;
};

constexpr std::uint32_t kUntouched = 0xCCCCCCCC;
constexpr std::uint32_t kMixed = 0xEEEEEEEE;

// The word that fills sector `index` of the buffer, or kMixed.
std::uint32_t SectorFill(const std::vector<std::uint8_t>& buffer, std::uint32_t index) {
  std::uint32_t first = 0;
  std::memcpy(&first, buffer.data() + index * kSectorSize, 4);
  for (std::uint32_t w = 1; w < kSectorSize / 4; ++w) {
    std::uint32_t word = 0;
    std::memcpy(&word, buffer.data() + index * kSectorSize + w * 4, 4);
    if (word != first) return kMixed;
  }
  return first;
}

std::unique_ptr<CLogicalDrive9x> OpenDrive(DeviceState* state, std::uint8_t letter = 'D') {
  auto drive = std::make_unique<CLogicalDrive9x>(std::make_unique<FakeDevice>(state));
  EXPECT_EQ(drive->OpenByNumber(letter), 0);
  return drive;
}

struct ChunkCase {
  const char* name;
  std::uint64_t start;
  std::uint32_t count;
  std::set<std::uint32_t> bad;
  std::vector<DeviceRead> reads;
  int result;
  std::uint32_t sectorsRead;
  std::uint64_t positionAfter;
};

TEST(Drive9x, ReadRawGoesInPiecesOf64AtTheirOwnSectors) {
  // The volume has 1000 sectors; D: is drive number 4.
  const ChunkCase cases[] = {
      {"150 sectors", 0, 150, {}, {{4, 0, 64}, {4, 64, 64}, {4, 128, 22}}, kReadOk, 150, 150},
      {"exactly one piece", 10, 64, {}, {{4, 10, 64}}, kReadOk, 64, 74},
      {"two whole pieces", 10, 128, {}, {{4, 10, 64}, {4, 74, 64}}, kReadOk, 128, 138},
      {"clamped at the end", 995, 10, {}, {{4, 995, 5}}, kReadOk, 5, 1000},
      {"clamped across pieces", 900, 150, {}, {{4, 900, 64}, {4, 964, 36}}, kReadOk, 100, 1000},
      {"failed middle piece", 0, 150, {70}, {{4, 0, 64}, {4, 64, 64}, {4, 128, 22}}, 0, 86, 150},
      {"failed last piece", 0, 150, {140}, {{4, 0, 64}, {4, 64, 64}, {4, 128, 22}}, 0, 128, 128},
      {"failed single read", 5, 3, {6}, {{4, 5, 3}}, 0, 0, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DeviceState state;
    state.badSectors = c.bad;
    auto drive = OpenDrive(&state);
    ASSERT_EQ(drive->Seek(c.start), 1);
    std::vector<std::uint8_t> buffer(c.count * kSectorSize, 0xCC);
    std::uint32_t read = 12345;

    EXPECT_EQ(drive->ReadRaw(buffer.data(), c.count, &read), c.result);
    EXPECT_EQ(read, c.sectorsRead);
    EXPECT_EQ(state.reads, c.reads);
    EXPECT_EQ(drive->Position(), c.positionAfter);

    for (std::uint32_t i = 0; i < c.count; ++i) {
      const std::uint64_t sector = c.start + i;
      std::uint32_t expected = static_cast<std::uint32_t>(sector);
      if (sector >= 1000) expected = kUntouched;  // past the clamp: left alone
      for (const auto& r : c.reads) {
        bool failed = false;
        for (auto b : c.bad) failed |= b >= r.start && b < r.start + r.count;
        if (failed && sector >= r.start && sector < r.start + r.count) expected = 0;
      }
      EXPECT_EQ(SectorFill(buffer, i), expected) << "sector " << sector;
    }
  }
}

TEST(Drive9x, SeekRefusesTheEndAndBeyondAndKeepsThePosition) {
  DeviceState state;
  auto drive = OpenDrive(&state);
  ASSERT_EQ(drive->TotalSectors(), 1000u);
  EXPECT_EQ(drive->Seek(999), 1);
  EXPECT_EQ(drive->Position(), 999u);
  for (const std::uint64_t sector : {std::uint64_t{1000}, std::uint64_t{1001}, std::uint64_t{1} << 40,
                                     ~std::uint64_t{0}}) {
    EXPECT_EQ(drive->Seek(sector), 0) << sector;
    EXPECT_EQ(drive->Position(), 999u) << sector;
  }
  std::vector<std::uint8_t> buffer(kSectorSize);
  EXPECT_EQ(drive->ReadAt(1000, buffer.data(), 1, nullptr), kReadOutOfRange);
  EXPECT_EQ(drive->ReadSectors(1000, buffer.data(), 1, nullptr), kReadOutOfRange);
  EXPECT_TRUE(state.reads.empty());
}

TEST(Drive9x, WritesNothingAndReportsFailure) {
  DeviceState state;
  auto drive = OpenDrive(&state);
  const std::vector<std::uint8_t> data(4 * kSectorSize, 0x5A);
  std::uint32_t written = 77;
  EXPECT_EQ(drive->WriteRaw(data.data(), 4, &written), 0);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(drive->SeekAndWrite(3, data.data(), 4, &written), 0);
  EXPECT_EQ(drive->SeekAndWrite(1000, data.data(), 4, &written), kReadOutOfRange);
  EXPECT_TRUE(state.reads.empty());
}

struct OpenCase {
  const char* name;
  bool opens;
  bool sizes;
  std::function<int(CLogicalDrive9x&)> open;
  int result;
  std::vector<WString> roots;
  std::uint8_t driveNumber;
};

TEST(Drive9x, OpeningByLetter) {
  const std::uint8_t letterF = 'F';
  const OpenCase cases[] = {
      {"letter", true, true, [](CLogicalDrive9x& d) { return d.OpenByNumber('D'); }, 0, {u"D:\\"}, 4},
      {"first letter", true, true, [](CLogicalDrive9x& d) { return d.OpenByNumber('A'); }, 0, {u"A:\\"}, 1},
      {"lower case", true, true, [](CLogicalDrive9x& d) { return d.OpenByNumber('c'); }, 0, {u"C:\\"}, 3},
      {"letter at a pointer", true, true, [&](CLogicalDrive9x& d) { return d.OpenByLetterAt(&letterF); },
       0, {u"F:\\"}, 6},
      {"device path", true, true, [](CLogicalDrive9x& d) { return d.OpenPath(u"\\\\.\\E:"); }, 0,
       {u"E:\\"}, 5},
      {"root folder", true, true, [](CLogicalDrive9x& d) { return d.OpenPath(u"Z:\\"); }, 0, {u"Z:\\"}, 26},
      {"device missing", false, true, [](CLogicalDrive9x& d) { return d.OpenByNumber('D'); }, -1, {}, 0},
      {"size query fails", true, false, [](CLogicalDrive9x& d) { return d.OpenByNumber('D'); }, -1,
       {u"D:\\"}, 0},
      {"not a letter", true, true, [](CLogicalDrive9x& d) { return d.OpenByNumber(3); }, -1, {}, 0},
      {"no letter at a pointer", true, true, [](CLogicalDrive9x& d) { return d.OpenByLetterAt(nullptr); },
       -1, {}, 0},
      {"number as text", true, true, [](CLogicalDrive9x& d) { return d.OpenPath(u"12"); }, -1, {}, 0},
      {"image file", true, true, [](CLogicalDrive9x& d) { return d.OpenImageFile(u"C:\\disk.img"); }, -1,
       {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::LogCapture log;
    DeviceState state;
    state.opens = c.opens;
    state.sizes = c.sizes;
    state.totalBytes = 1000 * kSectorSize + 100;  // a partial sector does not count
    CLogicalDrive9x drive(std::make_unique<FakeDevice>(&state));

    EXPECT_EQ(c.open(drive), c.result);
    EXPECT_EQ(state.roots, c.roots);
    EXPECT_EQ(drive.DriveNumber(), c.driveNumber);
    EXPECT_EQ(drive.TotalSectors(), c.result == 0 ? 1000u : 0u);
    EXPECT_EQ(state.open, c.result == 0) << "a failed open leaves the device closed";
    EXPECT_TRUE(log.Lines().empty());

    std::vector<std::uint8_t> buffer(kSectorSize);
    std::uint32_t read = 9;
    EXPECT_EQ(drive.ReadAt(0, buffer.data(), 1, &read), c.result == 0 ? kReadOk : kReadOutOfRange);
  }
}

TEST(Drive9x, CloseForgetsTheVolumeAndAClosedDriveReadsNothing) {
  DeviceState state;
  auto drive = OpenDrive(&state);
  ASSERT_EQ(drive->Seek(500), 1);
  drive->Close();
  EXPECT_EQ(state.closes, 1);
  EXPECT_EQ(drive->TotalSectors(), 0u);
  EXPECT_EQ(drive->Position(), 0u);
  EXPECT_EQ(drive->DriveNumber(), 0);
  std::vector<std::uint8_t> buffer(kSectorSize);
  std::uint32_t read = 9;
  EXPECT_EQ(drive->ReadRaw(buffer.data(), 1, &read), 0);
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(drive->ReadAtPosition(buffer.data(), 1, &read), 0);
  EXPECT_TRUE(state.reads.empty());

  // Re-opening another letter starts afresh.
  ASSERT_EQ(drive->OpenByNumber('E'), 0);
  ASSERT_EQ(drive->ReadAt(7, buffer.data(), 1, &read), kReadOk);
  EXPECT_EQ(state.reads.back(), (DeviceRead{5, 7, 1}));
}

TEST(Drive9x, TheBaseReaderOpensNoPhysicalDisk) {
  CPhysicalDrive9x drive;
  std::vector<std::uint8_t> buffer(kSectorSize);
  std::uint32_t read = 9;
  EXPECT_EQ(drive.OpenByNumber(0), -1);
  EXPECT_EQ(drive.OpenPath(u"0"), -1);
  EXPECT_EQ(drive.OpenImageFile(u"disk.img"), -1);
  EXPECT_EQ(drive.ReadRaw(buffer.data(), 1, &read), 0);
  EXPECT_EQ(drive.ReadAtPosition(buffer.data(), 1, &read), 0);
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(drive.ReadRaw(nullptr, 1, &read), kReadNoBuffer);
}

TEST(Drive9x, TheSystemDeviceNeverOpensInThisBuild) {
  // The DOS services need 32-bit addresses: only a 32-bit Windows program of
  // the 9x family reaches them. Every build of this program is either 64-bit
  // or not for Windows, so the real device must refuse (and here, under an
  // NT-family system, the device does not exist anyway).
  if (sizeof(void*) == 4) GTEST_SKIP() << "a 32-bit build";
  CLogicalDrive9x drive;
  EXPECT_EQ(drive.OpenByNumber('C'), -1);
  EXPECT_EQ(drive.TotalSectors(), 0u);
}

TEST(Drive9x, CarefulReadKeepsAllButTheBadSector) {
  testing::LogCapture log;
  DeviceState state;
  state.badSectors = {70};
  auto drive = OpenDrive(&state);
  std::vector<std::uint8_t> buffer(150 * kSectorSize, 0xCC);
  std::uint32_t read = 0;

  EXPECT_EQ(drive->ReadSectors(0, buffer.data(), 150, &read), kReadSectorFailed);
  EXPECT_EQ(read, 149u);
  for (std::uint32_t i = 0; i < 150; ++i) EXPECT_EQ(SectorFill(buffer, i), i == 70 ? 0 : i) << i;
  EXPECT_EQ(drive->LastUnreadableSectors(), std::vector<std::uint64_t>{70});
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"error reading sector 70"});
  // The bulk read, then one device read per sector.
  EXPECT_EQ(state.reads.size(), 3u + 150u);
}

TEST(Drive9x, RegisterBlockOfAnExtendedRead) {
  vwin32::DiskIoPacket packet;
  vwin32::DiocRegisters registers;
  ASSERT_TRUE(vwin32::PrepareExtendedRead(4, 0x01020304, 0x0506, 0x0A0B0C0D, 0x00123450, &packet,
                                          &registers));
  const std::uint8_t expectedPacket[10] = {0x04, 0x03, 0x02, 0x01, 0x06, 0x05,
                                           0x0D, 0x0C, 0x0B, 0x0A};
  EXPECT_EQ(std::memcmp(&packet, expectedPacket, sizeof(expectedPacket)), 0);
  // In the block's order: EBX, EDX, ECX, EAX, EDI, ESI, flags.
  const std::uint32_t expectedRegisters[7] = {0x00123450, 4, 0xFFFFFFFF, 0x7305, 0, 0, 0};
  EXPECT_EQ(std::memcmp(&registers, expectedRegisters, sizeof(expectedRegisters)), 0);

  registers.flags = 0x0202;
  EXPECT_TRUE(vwin32::CarryClear(registers));
  registers.flags = 0x0203;
  EXPECT_FALSE(vwin32::CarryClear(registers));

  if (sizeof(std::uintptr_t) > 4) {
    const std::uintptr_t high = static_cast<std::uintptr_t>(std::uint64_t{1} << 32);
    EXPECT_FALSE(vwin32::PrepareExtendedRead(4, 0, 1, high, 0x1000, &packet, &registers));
    EXPECT_FALSE(vwin32::PrepareExtendedRead(4, 0, 1, 0x1000, high + 0x10, &packet, &registers));
  }
}

TEST(Drive9x, FactoryChoosesTheFamilyByTheTopBitOfTheVersion) {
  struct Case {
    std::uint32_t version;
    int kind;
    const std::type_info* type;
  };
  const std::uint32_t kNtVersion = 0x4A610006;  // top bit clear
  const std::uint32_t k9xVersion = 0xC0000A04;  // top bit set
  const Case cases[] = {
      {kNtVersion, 0, &typeid(CPhysicalDriveNT)}, {kNtVersion, 1, &typeid(CLogicalDriveNT)},
      {k9xVersion, 0, &typeid(CPhysicalDrive9x)}, {k9xVersion, 1, &typeid(CLogicalDrive9x)},
      {0x80000000u, 1, &typeid(CLogicalDrive9x)}, {0x7FFFFFFFu, 1, &typeid(CLogicalDriveNT)},
      {k9xVersion, 2, nullptr},                   {kNtVersion, -1, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.version << " kind " << c.kind);
    std::unique_ptr<CDiskDrive> drive;
    EXPECT_EQ(CreateWindowsDiskDrive(c.kind, c.version, &drive), c.type ? 0 : -1);
    if (c.type == nullptr) {
      EXPECT_EQ(drive, nullptr);
    } else {
      ASSERT_NE(drive, nullptr);
      EXPECT_EQ(typeid(*drive), *c.type);
    }
  }
}

}  // namespace
}  // namespace tv
