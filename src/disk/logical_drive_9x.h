// A logical volume of the 9x family opened by drive letter: sectors come from
// the DOS extended absolute disk read through the "\\.\vwin32" device; the
// size from the volume's total bytes.
#pragma once

#include <cstdint>
#include <memory>

#include "disk/physical_drive_9x.h"
#include "disk/vwin32_device.h"

namespace tv {

class CLogicalDrive9x : public CPhysicalDrive9x {
 public:
  // Reads through the running system's device.
  CLogicalDrive9x();
  explicit CLogicalDrive9x(std::unique_ptr<Vwin32Device> device);
  ~CLogicalDrive9x() override;

  // The designator is a drive letter (a lower-case one counts as its upper
  // case). 0 on success; -1 for anything but a letter, when the device does
  // not open or when the volume's size cannot be had.
  int OpenByNumber(std::uint8_t designator) override;
  // "D", "D:", "D:\" or "\\.\D:" opens that volume; any other text gives -1.
  int OpenPath(const WString& path) override;
  void Close() override;
  int ReadAtPosition(void* buffer, std::uint32_t count, std::uint32_t* countOut) override;
  // OpenByNumber with the letter at `letter`; -1 without one.
  virtual int OpenByLetterAt(const std::uint8_t* letter);

  // 1 for A:, 2 for B:, ...; 0 while closed.
  std::uint8_t DriveNumber() const { return m_nDriveNumber; }

 protected:
  bool DeviceOpen() const override;

 private:
  std::unique_ptr<Vwin32Device> m_device;
  std::uint8_t m_nDriveNumber = 0;
};

}  // namespace tv
