// What a recovery could not do completely, entry by entry, so that the front
// end can name every such file to the user: a result code alone cannot say
// which file inside a folder ran out of disk space or holds unreadable bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tv {

// A run of bytes of one file, by offset in the file.
struct ByteRange {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
  std::uint64_t End() const { return offset + length; }
};

// The byte ranges of a file that could not be read from the volume, in
// ascending order with touching ranges merged. A file with many bad spots
// keeps at most kMaxRanges ranges, the last one then covering the rest.
class UnreadableRanges {
 public:
  static constexpr std::size_t kMaxRanges = 4096;

  void Add(std::uint64_t offset, std::uint64_t length);
  void Clear();
  bool Empty() const { return m_nBytes == 0; }
  std::uint64_t Bytes() const { return m_nBytes; }
  const std::vector<ByteRange>& Ranges() const { return m_ranges; }
  // Why the bytes could not be read, when one cause explains them all (no
  // scratch file to expand a compressed file into, say); else empty.
  void SetReason(std::string reason) { m_reason = std::move(reason); }
  const std::string& Reason() const { return m_reason; }

 private:
  std::vector<ByteRange> m_ranges;
  std::uint64_t m_nBytes = 0;
  std::string m_reason;
};

enum class RecoveryProblemKind {
  Unreadable,        // written full length, zeros stand in for unreadable bytes
  EndsEarly,         // the volume holds less of the file than its entry claims
  DiskFull,          // cut short: the destination disk is full
  WriteFailed,       // cut short: a write failed for another reason
  Stopped,           // cut short: the user stopped the recovery
  NotCreated,        // no destination file could be created
  FolderNotCreated,  // the destination folder could not be created
  NotFound,          // the entry's data could not be opened
  InvalidName,       // the entry's name cannot be written
};

struct RecoveryProblem {
  RecoveryProblemKind kind = RecoveryProblemKind::Unreadable;
  // The entry as the volume names it (its folder path and name).
  std::string entry;
  // Where its bytes went (the partial file's name when one stays), or the
  // path that could not be created; empty when nothing was attempted.
  std::string written;
  // The system's text for the failure, when there is one.
  std::string reason;
  std::uint64_t bytesWritten = 0;
  std::uint64_t size = 0;
  // For EndsEarly: the size the entry claims.
  std::uint64_t claimedSize = 0;
  UnreadableRanges unreadable;
};

// Collects the problems of one recovery run. The parser holds a pointer to
// it while the run lasts; only the recovery worker touches it.
class RecoveryReport {
 public:
  void Add(RecoveryProblem problem) { m_problems.push_back(std::move(problem)); }
  const std::vector<RecoveryProblem>& Problems() const { return m_problems; }
  std::size_t Count() const { return m_problems.size(); }

 private:
  std::vector<RecoveryProblem> m_problems;
};

// One line for a problem, as the user reads it: the entry, what happened and
// where its bytes are, e.g.
// "\Docs\a.txt: not enough disk space (There is not enough space on the
// disk); 4096 of 10000 bytes kept in /out/Docs/a.txt.partial".
std::string DescribeRecoveryProblem(const RecoveryProblem& problem);

// "bytes 0-511, 4096-8191" (inclusive ends), the first `maxRanges` ranges
// and "and N more" after them.
std::string DescribeByteRanges(const UnreadableRanges& ranges, std::size_t maxRanges);

}  // namespace tv
