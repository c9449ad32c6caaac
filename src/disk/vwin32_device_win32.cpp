#include <cstdint>
#include <memory>

#include "disk/vwin32_device.h"
#include "disk/vwin32_registers.h"
#include "platform/files.h"
#include "platform/win32/windows_api.h"

namespace tv {

namespace {

class SystemVwin32Device final : public Vwin32Device {
 public:
  ~SystemVwin32Device() override { Close(); }

  bool Open() override {
    Close();
    // The DOS services take 32-bit addresses of the packet and the buffer,
    // and only 32-bit programs reach them; a 64-bit build has no such device.
    if (sizeof(void*) != sizeof(std::uint32_t)) {
      ::SetLastError(ERROR_NOT_SUPPORTED);
      return false;
    }
    m_handle = ::CreateFileW(L"\\\\.\\vwin32", 0, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    return m_handle != INVALID_HANDLE_VALUE;
  }

  void Close() override {
    if (m_handle != INVALID_HANDLE_VALUE) ::CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
  }

  bool IsOpen() const override { return m_handle != INVALID_HANDLE_VALUE; }

  bool TotalBytes(const WString& root, std::uint64_t* totalBytes) override {
    return platform::GetVolumeTotalBytes(root, totalBytes);
  }

  bool ExtendedRead(std::uint8_t driveNumber, std::uint32_t startSector, std::uint16_t count,
                    void* buffer) override {
    if (!IsOpen()) return false;
    vwin32::DiskIoPacket packet;
    vwin32::DiocRegisters registers;
    if (!vwin32::PrepareExtendedRead(driveNumber, startSector, count,
                                     reinterpret_cast<std::uintptr_t>(buffer),
                                     reinterpret_cast<std::uintptr_t>(&packet), &packet,
                                     &registers)) {
      ::SetLastError(ERROR_NOT_SUPPORTED);
      return false;
    }
    DWORD returned = 0;
    const BOOL ok = ::DeviceIoControl(m_handle, vwin32::kDiocDosDriveInfo, &registers,
                                      sizeof(registers), &registers, sizeof(registers),
                                      &returned, nullptr);
    return ok && vwin32::CarryClear(registers);
  }

 private:
  HANDLE m_handle = INVALID_HANDLE_VALUE;
};

}  // namespace

std::unique_ptr<Vwin32Device> CreateSystemVwin32Device() {
  return std::make_unique<SystemVwin32Device>();
}

}  // namespace tv
