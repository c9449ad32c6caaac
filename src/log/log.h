// The operation log: one process-wide plain-text trace of what the program
// does. It never fails loudly: when its file cannot be opened, writes are
// dropped and the program goes on.
//
// File format: every line ends in a single LF. Before the first line of each
// new wall-clock second (hour, minute and second compared, never the day) a
// clock line "[hh:mm:ss]" stands on its own line.
#pragma once

#include <atomic>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/files.h"
#include "platform/times.h"

#if defined(__MINGW32__)
// The mingw runtime is built with its C99-conforming printf family.
#define TV_PRINTF_FORMAT(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#elif defined(__GNUC__)
#define TV_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define TV_PRINTF_FORMAT(fmt, args)
#endif

namespace tv {

// Owns the log file's handle; closes it when destroyed.
class LogWriter {
 public:
  explicit LogWriter(platform::FileHandle file = platform::kInvalidFile) : file_(file) {}
  virtual ~LogWriter();
  LogWriter(const LogWriter&) = delete;
  LogWriter& operator=(const LogWriter&) = delete;

  platform::FileHandle file() const { return file_; }

 private:
  platform::FileHandle file_;
};

class TvLog {
 public:
  // Largest formatted text of one Printf/Format call, terminating zero included;
  // longer texts are cut.
  static constexpr std::size_t kFormatBufferSize = 16384;

  TvLog();
  virtual ~TvLog();
  TvLog(const TvLog&) = delete;
  TvLog& operator=(const TvLog&) = delete;

  // Opens (truncate: empties or creates) or appends to `path`, closing any file
  // open before, and enables the log. Always true: a file that cannot be
  // opened leaves the log enabled without a file, so writes are dropped.
  virtual bool Open(const char* path, bool truncate);
  virtual void WriteMachineInfo();
  // Closes the file; the log stays enabled.
  virtual void Close();
  virtual void Enable();
  virtual void Reenable();
  // Writes `text` as one line (a null text is written as "null").
  virtual void Write(const char* text);
  virtual void Printf(const char* format, ...) TV_PRINTF_FORMAT(2, 3);
  // Hex dump, 16 bytes a line. A null pointer with a non-zero length is
  // reported instead of dumped.
  virtual void Dump(const void* data, std::uint32_t length);

  // The call forms the rest of the program uses. A null value prints "null".
  void Message(const char* text);
  void Message(const char* text, const char* value);
  void Message(const char* text, std::int32_t number);
  // "[ERROR]: text", then the text alone on a second line.
  void Error(const char* text);
  void Error(const char* text, const char* value);
  void Error(const char* text, std::int32_t number);
  void Format(const char* format, ...) TV_PRINTF_FORMAT(2, 3);
  void DumpBlock(const void* data, std::uint32_t length);
  // Opens `path` for appending and writes the machine-info block.
  void Start(const char* path);

  // Buffered mode keeps lines in memory and writes them in large pieces: at
  // each new clock line, when 64 KiB have gathered, and when the log is
  // closed or buffering ends. A long scan writes millions of lines, and one
  // system call per line would cost more than the scan itself.
  void SetBuffered(bool buffered);

  // Tests replace the wall clock to control when clock lines appear. The
  // next line written gets a clock line, as after construction.
  using Clock = std::function<platform::CalendarTime()>;
  void SetClockForTesting(Clock clock);

 private:
  struct Stamp {
    int hour = 0, minute = 0, second = 0;
  };

  void FormatV(const char* format, va_list args);
  // Writes one line (with its clock line when the second changed) in one
  // write call, so that lines of different threads never mix.
  void WriteLine(const char* text, std::size_t length);

  std::atomic<bool> enabled_{false};
  std::mutex writeLock_;
  std::mutex formatLock_;
  // Writes the buffered lines; writeLock_ must be held.
  void FlushLocked();

  // Guarded by writeLock_.
  std::unique_ptr<LogWriter> writer_;
  bool buffered_ = false;
  std::string pending_;
  Clock clock_;
  // Time of the last clock line written; none after construction and after
  // each Open, so that the first line in every file gets a clock line.
  std::optional<Stamp> lastStamp_;
  // Guarded by formatLock_.
  char formatBuffer_[kFormatBufferSize] = {};
};

// The program's log. Its constructor takes the product number and a second
// value; both have no effect.
class Logger : public TvLog {
 public:
  explicit Logger(int product = 12, int reserved = 0);
};

// The single process-wide log, constructed on first use.
Logger& Log();

}  // namespace tv
