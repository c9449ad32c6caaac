#include "log/log.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "log/hex_dump.h"

namespace tv {
namespace {

const char* OrNull(const char* text) { return text != nullptr ? text : "null"; }

// Writes all of `data`, going on after partial writes. A failing write is
// ignored: the log never fails loudly.
void WriteAll(platform::FileHandle file, const std::string& data) {
  constexpr std::size_t kLargestWrite = std::size_t{1} << 30;
  const char* next = data.data();
  std::size_t left = data.size();
  while (left > 0) {
    std::uint32_t done = 0;
    const auto bytes = static_cast<std::uint32_t>(std::min(left, kLargestWrite));
    if (!platform::WriteFile(file, next, bytes, &done) || done == 0) return;
    next += done;
    left -= done;
  }
}

}  // namespace

LogWriter::~LogWriter() {
  if (file_ != platform::kInvalidFile) platform::CloseFile(file_);
}

TvLog::TvLog() = default;
TvLog::~TvLog() { Close(); }

bool TvLog::Open(const char* path, bool truncate) {
  Close();
  platform::FileHandle file = platform::kInvalidFile;
  if (path != nullptr) {
    platform::OpenMode mode;
    mode.access = platform::Access::Write;
    mode.disposition =
        truncate ? platform::Disposition::CreateAlways : platform::Disposition::OpenAlways;
    mode.shareRead = true;
    mode.shareWrite = true;
    file = platform::OpenFile(std::string(path), mode);
    if (file != platform::kInvalidFile && !truncate) platform::SeekToEnd(file);
  }
  {
    std::lock_guard<std::mutex> lock(writeLock_);
    writer_ = std::make_unique<LogWriter>(file);
    lastStamp_.reset();
  }
  Enable();
  return true;
}

void TvLog::Close() {
  // Taken under the write lock so that no other thread is writing through
  // the handle while it is closed.
  std::lock_guard<std::mutex> lock(writeLock_);
  FlushLocked();
  writer_.reset();
}

void TvLog::SetBuffered(bool buffered) {
  std::lock_guard<std::mutex> lock(writeLock_);
  if (!buffered) FlushLocked();
  buffered_ = buffered;
}

void TvLog::FlushLocked() {
  if (!pending_.empty() && writer_ != nullptr && writer_->file() != platform::kInvalidFile) {
    WriteAll(writer_->file(), pending_);
  }
  pending_.clear();
}

void TvLog::Enable() { enabled_ = true; }

void TvLog::Reenable() { Enable(); }

void TvLog::Write(const char* text) {
  text = OrNull(text);
  WriteLine(text, std::strlen(text));
}

void TvLog::Printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

void TvLog::Dump(const void* data, std::uint32_t length) {
  if (data == nullptr && length != 0) {
    Write("The binary data here seems to be an invalid memory block");
    const auto low32 = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(data) & 0xFFFFFFFFu);
    Printf("There is no way to show it, the pointer was 0x%08X", low32);
    return;
  }
  if (length == 0) {
    WriteLine("", 0);
    return;
  }
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  // A 64-bit offset cannot wrap around on a block that ends near 4 GiB.
  for (std::uint64_t offset = 0; offset < length; offset += kHexDumpBytesPerLine) {
    const auto count =
        static_cast<std::size_t>(std::min<std::uint64_t>(kHexDumpBytesPerLine, length - offset));
    const std::string line = HexDumpLine(static_cast<std::uint32_t>(offset), bytes + offset, count);
    WriteLine(line.data(), line.size());
  }
}

void TvLog::Message(const char* text) { Write(text); }

void TvLog::Message(const char* text, const char* value) {
  Format("%s [%s]", OrNull(text), OrNull(value));
}

void TvLog::Message(const char* text, std::int32_t number) {
  Format("%s [%d]", OrNull(text), static_cast<int>(number));
}

void TvLog::Error(const char* text) {
  Format("[ERROR]: %s", OrNull(text));
  Write(text);
}

void TvLog::Error(const char* text, const char* value) {
  Format("[ERROR]: %s [%s]", OrNull(text), OrNull(value));
}

void TvLog::Error(const char* text, std::int32_t number) {
  Format("[ERROR]: %s [%d]", OrNull(text), static_cast<int>(number));
}

void TvLog::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

void TvLog::DumpBlock(const void* data, std::uint32_t length) { Dump(data, length); }

void TvLog::Start(const char* path) {
  Open(path, false);
  WriteMachineInfo();
}

void TvLog::SetClockForTesting(Clock clock) {
  std::lock_guard<std::mutex> lock(writeLock_);
  clock_ = std::move(clock);
  lastStamp_.reset();
}

void TvLog::FormatV(const char* format, va_list args) {
  if (format == nullptr) {
    Write(nullptr);
    return;
  }
  std::lock_guard<std::mutex> lock(formatLock_);
  const int written = std::vsnprintf(formatBuffer_, kFormatBufferSize, format, args);
  // A failed format writes an empty line; a too-long text is cut to the buffer.
  const std::size_t length =
      written < 0 ? 0
                  : std::min<std::size_t>(static_cast<std::size_t>(written), kFormatBufferSize - 1);
  WriteLine(formatBuffer_, length);
}

void TvLog::WriteLine(const char* text, std::size_t length) {
  if (!enabled_) return;
  std::lock_guard<std::mutex> lock(writeLock_);
  if (writer_ == nullptr || writer_->file() == platform::kInvalidFile) return;

  const platform::CalendarTime now = clock_ ? clock_() : platform::LocalNow();
  const Stamp stamp{now.hour, now.minute, now.second};
  constexpr std::size_t kBufferedBytes = 64 * 1024;
  std::string line;
  line.reserve(length + 16);
  if (!lastStamp_ || lastStamp_->hour != stamp.hour || lastStamp_->minute != stamp.minute ||
      lastStamp_->second != stamp.second) {
    lastStamp_ = stamp;
    FlushLocked();
    char clockLine[32];
    std::snprintf(clockLine, sizeof clockLine, "[%02d:%02d:%02d]\n", stamp.hour, stamp.minute,
                  stamp.second);
    line += clockLine;
  }
  line.append(text, length);
  line += '\n';
  if (buffered_) {
    pending_ += line;
    if (pending_.size() >= kBufferedBytes) FlushLocked();
    return;
  }
  WriteAll(writer_->file(), line);
}

Logger::Logger(int /*product*/, int /*reserved*/) {}

Logger& Log() {
  static Logger log;
  return log;
}

}  // namespace tv
