#include "disk/logical_drive_nt.h"

#include "log/log.h"
#include "platform/text.h"

namespace tv {

namespace {

// "\\.\" in front of the drive letter of a volume's device path.
constexpr std::size_t kDevicePrefixLength = 4;

}  // namespace

int CLogicalDriveNT::OpenByNumber(std::uint8_t designator) {
  WString path = u"\\\\.\\";
  path += static_cast<WChar>(designator);
  path += u':';
  return OpenPath(path);
}

int CLogicalDriveNT::OpenPath(const WString& path) {
  Close();
  if (!path.empty() && path[0] == u'\\') {
    m_devicePath = path;
  } else {
    m_devicePath = u"\\\\.\\" + path;
  }
  if (!OpenDevice("try to open disk: %s")) {
    Close();
    return -1;
  }

  // "\\.\D:" -> "D:\", the root that the volume size is asked for.
  WString root = m_devicePath.size() > kDevicePrefixLength
                     ? m_devicePath.substr(kDevicePrefixLength)
                     : WString();
  root += u'\\';
  std::uint64_t bytes = 0;
  // A volume whose file system the system does not mount (a damaged one, the
  // very case an undelete tool meets) has no free-space figures; its device
  // still knows its size.
  if (!platform::GetVolumeTotalBytes(root, &bytes)) {
    bytes = 0;
    if (!platform::GetDeviceSize(m_hDevice, &bytes)) bytes = 0;
  }
  m_nTotalSectors = bytes >> kSectorShift;
  return 0;
}

}  // namespace tv
