// The two structures that an extended absolute disk read passes to the
// "\\.\vwin32" device, laid out as the system expects them, and how they are
// filled. Portable, so that the layout and the address rule are checked on
// every platform.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tv::vwin32 {

// The control code that runs a DOS interrupt 21h service.
inline constexpr std::uint32_t kDiocDosDriveInfo = 6;
// Interrupt 21h function 7305h: extended absolute disk read/write.
inline constexpr std::uint32_t kExtendedAbsoluteDiskReadWrite = 0x7305;
// ECX of the call: the packet form (EBX points at a DiskIoPacket).
inline constexpr std::uint32_t kUsePacket = 0xFFFFFFFF;
// ESI of the call: 0 reads, 1 writes.
inline constexpr std::uint32_t kReadMode = 0;
// Bit 0 of the returned flags: the service failed.
inline constexpr std::uint32_t kCarryFlag = 1;

// The register block handed in and out of the device: seven 32-bit registers.
struct DiocRegisters {
  std::uint32_t ebx;
  std::uint32_t edx;
  std::uint32_t ecx;
  std::uint32_t eax;
  std::uint32_t edi;
  std::uint32_t esi;
  std::uint32_t flags;
};
static_assert(sizeof(DiocRegisters) == 28, "the device takes a 28-byte register block");

// The packet of an extended absolute disk read, byte-packed.
#pragma pack(push, 1)
struct DiskIoPacket {
  std::uint32_t startSector;
  std::uint16_t sectorCount;
  std::uint32_t bufferAddress;
};
#pragma pack(pop)
static_assert(sizeof(DiskIoPacket) == 10, "the packet is 10 bytes, byte-packed");
static_assert(offsetof(DiskIoPacket, bufferAddress) == 6, "the buffer address follows the count");

// Fills the packet and the registers of a read of `count` sectors from
// `startSector` of drive `driveNumber` into the buffer at `bufferAddress`,
// with the packet itself at `packetAddress`. The DOS services take 32-bit
// addresses: false (nothing filled) when either address does not fit, as in
// a 64-bit process, where a truncated address would point somewhere else.
inline bool PrepareExtendedRead(std::uint8_t driveNumber, std::uint32_t startSector,
                                std::uint16_t count, std::uintptr_t bufferAddress,
                                std::uintptr_t packetAddress, DiskIoPacket* packet,
                                DiocRegisters* registers) {
  constexpr std::uintptr_t kMaxAddress = 0xFFFFFFFFu;
  if (bufferAddress > kMaxAddress || packetAddress > kMaxAddress) return false;
  packet->startSector = startSector;
  packet->sectorCount = count;
  packet->bufferAddress = static_cast<std::uint32_t>(bufferAddress);
  registers->eax = kExtendedAbsoluteDiskReadWrite;
  registers->ebx = static_cast<std::uint32_t>(packetAddress);
  registers->ecx = kUsePacket;
  registers->edx = driveNumber;
  registers->esi = kReadMode;
  registers->edi = 0;
  registers->flags = 0;
  return true;
}

inline bool CarryClear(const DiocRegisters& registers) {
  return (registers.flags & kCarryFlag) == 0;
}

}  // namespace tv::vwin32
