// The system calls of the 9x readers: the "\\.\vwin32" device, through which
// a 32-bit program of the 9x family reaches the DOS disk services, and the
// volume size query. The readers talk to it only through this interface so
// that their chunking, range rules and failure paths run (against a device
// made for the purpose) on every platform.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/types.h"

namespace tv {

class Vwin32Device {
 public:
  Vwin32Device() = default;
  Vwin32Device(const Vwin32Device&) = delete;
  Vwin32Device& operator=(const Vwin32Device&) = delete;
  virtual ~Vwin32Device() = default;

  // Opens the device (closing it first when open); false when the system has
  // none or refuses it.
  virtual bool Open() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // Total bytes of the volume whose root is given ("D:\").
  virtual bool TotalBytes(const WString& root, std::uint64_t* totalBytes) = 0;
  // The extended absolute disk read of the DOS services (interrupt 21h,
  // function 7305h): `count` sectors from `startSector` of drive
  // `driveNumber` (1 = A:) into `buffer`. True when the call went through and
  // the service reported no error.
  virtual bool ExtendedRead(std::uint8_t driveNumber, std::uint32_t startSector,
                            std::uint16_t count, void* buffer) = 0;
};

// The running system's device. Only a 32-bit Windows program can use it (the
// DOS services take 32-bit addresses); elsewhere the device never opens.
std::unique_ptr<Vwin32Device> CreateSystemVwin32Device();

}  // namespace tv
