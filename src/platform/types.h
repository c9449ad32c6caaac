// Basic types shared by the engine on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tv {

// UTF-16 text as the file systems and the Windows API keep it. The engine uses
// char16_t rather than wchar_t so that names are 16-bit on every platform.
using WChar = char16_t;
using WString = std::u16string;
using WStringView = std::u16string_view;

// 100 ns intervals since 1601-01-01 UTC, as FILETIME; 0 means unknown.
using FileTime = std::uint64_t;

// 64-bit values that the Windows API and the parser interface pass as two
// 32-bit halves (FILETIME, file sizes).
inline constexpr std::uint64_t JoinHalves(std::uint32_t high, std::uint32_t low) {
  return (std::uint64_t{high} << 32) | low;
}
inline constexpr std::uint32_t HighHalf(std::uint64_t value) { return static_cast<std::uint32_t>(value >> 32); }
inline constexpr std::uint32_t LowHalf(std::uint64_t value) { return static_cast<std::uint32_t>(value); }

// The attribute bit of a folder, in Windows file attributes and in the
// attribute words of NTFS and FAT entries alike.
inline constexpr std::uint32_t kAttributeDirectory = 0x10;

// Windows error codes. The engine reports failures with these numbers on every
// platform; the POSIX layer translates errno into the nearest one.
namespace err {
inline constexpr std::uint32_t kSuccess = 0;
inline constexpr std::uint32_t kFileNotFound = 2;
inline constexpr std::uint32_t kPathNotFound = 3;
inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kWriteProtect = 19;
inline constexpr std::uint32_t kInvalidHandle = 6;
inline constexpr std::uint32_t kNotEnoughMemory = 8;
inline constexpr std::uint32_t kSharingViolation = 32;
inline constexpr std::uint32_t kHandleDiskFull = 39;
inline constexpr std::uint32_t kFileExists = 80;
inline constexpr std::uint32_t kInvalidParameter = 87;
inline constexpr std::uint32_t kDiskFull = 112;
inline constexpr std::uint32_t kInvalidName = 123;
inline constexpr std::uint32_t kAlreadyExists = 183;
inline constexpr std::uint32_t kReadFault = 30;
inline constexpr std::uint32_t kCrc = 23;
inline constexpr std::uint32_t kTooManyOpenFiles = 4;
inline constexpr std::uint32_t kNotReady = 21;
inline constexpr std::uint32_t kWriteFault = 29;
inline constexpr std::uint32_t kGenFailure = 31;
inline constexpr std::uint32_t kLockViolation = 33;
inline constexpr std::uint32_t kNotSupported = 50;
inline constexpr std::uint32_t kNegativeSeek = 131;
inline constexpr std::uint32_t kDirNotEmpty = 145;
inline constexpr std::uint32_t kFilenameTooLong = 206;
inline constexpr std::uint32_t kModNotFound = 126;
inline constexpr std::uint32_t kProcNotFound = 127;
}  // namespace err

}  // namespace tv
