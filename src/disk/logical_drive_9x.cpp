#include "disk/logical_drive_9x.h"

#include <utility>

namespace tv {

namespace {

// The drive number of the DOS services: 1 for A:, 2 for B:, ...
constexpr std::uint8_t kLetterToDriveNumber = 64;
// Sector numbers of the extended absolute disk read are 32 bits wide.
constexpr std::uint64_t kDeviceSectorLimit = std::uint64_t{1} << 32;

// The upper-case drive letter, or 0 for anything that is not a letter.
WChar DriveLetter(WChar c) {
  if (c >= u'a' && c <= u'z') c = static_cast<WChar>(c - u'a' + u'A');
  return c >= u'A' && c <= u'Z' ? c : 0;
}

}  // namespace

CLogicalDrive9x::CLogicalDrive9x() : m_device(CreateSystemVwin32Device()) {}

CLogicalDrive9x::CLogicalDrive9x(std::unique_ptr<Vwin32Device> device)
    : m_device(std::move(device)) {}

CLogicalDrive9x::~CLogicalDrive9x() { Close(); }

bool CLogicalDrive9x::DeviceOpen() const { return m_device && m_device->IsOpen(); }

int CLogicalDrive9x::OpenByNumber(std::uint8_t designator) {
  Close();
  const WChar letter = DriveLetter(designator);
  if (letter == 0 || !m_device || !m_device->Open()) return -1;

  WString root(1, letter);
  root += u":\\";
  std::uint64_t bytes = 0;
  if (!m_device->TotalBytes(root, &bytes)) {
    m_device->Close();
    return -1;
  }
  m_devicePath = u"\\\\.\\vwin32";
  m_nTotalSectors = bytes >> kSectorShift;
  m_nDriveNumber = static_cast<std::uint8_t>(letter - kLetterToDriveNumber);
  m_nPosition = 0;
  return 0;
}

int CLogicalDrive9x::OpenPath(const WString& path) {
  WStringView text = path;
  if (text.substr(0, 4) == u"\\\\.\\") text.remove_prefix(4);
  const bool letterOnly = text.size() == 1 || (text.size() == 2 && text[1] == u':') ||
                          (text.size() == 3 && text.substr(1) == u":\\");
  if (!letterOnly || DriveLetter(text[0]) == 0) {
    Close();
    return -1;
  }
  return OpenByNumber(static_cast<std::uint8_t>(DriveLetter(text[0])));
}

void CLogicalDrive9x::Close() {
  if (m_device) m_device->Close();
  m_nDriveNumber = 0;
  CPhysicalDrive9x::Close();
}

int CLogicalDrive9x::OpenByLetterAt(const std::uint8_t* letter) {
  if (letter == nullptr) return -1;
  return OpenByNumber(*letter);
}

int CLogicalDrive9x::ReadAtPosition(void* buffer, std::uint32_t count, std::uint32_t* countOut) {
  if (countOut != nullptr) *countOut = 0;
  m_nLastStatus = 0;
  if (!DeviceOpen() || buffer == nullptr) return 0;
  // The packet holds a 16-bit count and a 32-bit start sector: a read that
  // does not fit them, or that runs past the volume, is refused rather than
  // sent with a wrapped-around number that would read other sectors.
  if (count > kSectorsPerDeviceRead || m_nPosition >= m_nTotalSectors ||
      count > m_nTotalSectors - m_nPosition || m_nPosition + count > kDeviceSectorLimit) {
    return 0;
  }
  if (!m_device->ExtendedRead(m_nDriveNumber, static_cast<std::uint32_t>(m_nPosition),
                              static_cast<std::uint16_t>(count), buffer)) {
    return 0;
  }
  if (countOut != nullptr) *countOut = count;
  m_nPosition += count;
  m_nLastStatus = 1;
  return m_nLastStatus;
}

#ifndef _WIN32
// Only Windows of the 9x family has the device.
std::unique_ptr<Vwin32Device> CreateSystemVwin32Device() { return nullptr; }
#endif

}  // namespace tv
