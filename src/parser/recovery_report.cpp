#include "parser/recovery_report.h"

#include <algorithm>

namespace tv {

void UnreadableRanges::Add(std::uint64_t offset, std::uint64_t length) {
  if (length == 0) return;
  std::uint64_t start = offset;
  std::uint64_t end = offset + length;
  // The ranges are sorted and apart, so their ends are sorted too: the first
  // one that ends at or after `start` is the first one the new range can
  // touch. Reads go forward through a file, so this is nearly always the end.
  auto at = std::lower_bound(m_ranges.begin(), m_ranges.end(), start,
                             [](const ByteRange& range, std::uint64_t value) { return range.End() < value; });
  if (at == m_ranges.end() && m_ranges.size() >= kMaxRanges) {
    // Too many bad spots to list: the last range grows over the rest, and the
    // byte count goes on adding what is reported.
    ByteRange& last = m_ranges.back();
    last.length = std::max(last.End(), end) - last.offset;
    m_nBytes += length;
    return;
  }
  std::uint64_t known = 0;
  while (at != m_ranges.end() && at->offset <= end) {
    start = std::min(start, at->offset);
    end = std::max(end, at->End());
    known += at->length;
    at = m_ranges.erase(at);
  }
  m_nBytes += (end - start) - known;
  m_ranges.insert(at, ByteRange{start, end - start});
}

void UnreadableRanges::Clear() {
  m_ranges.clear();
  m_nBytes = 0;
  m_reason.clear();
}

std::string DescribeByteRanges(const UnreadableRanges& ranges, std::size_t maxRanges) {
  std::string text = "bytes ";
  const std::vector<ByteRange>& list = ranges.Ranges();
  const std::size_t shown = std::min(list.size(), maxRanges);
  for (std::size_t i = 0; i < shown; ++i) {
    if (i != 0) text += ", ";
    text += std::to_string(list[i].offset) + "-" + std::to_string(list[i].End() - 1);
  }
  if (shown < list.size()) text += " and " + std::to_string(list.size() - shown) + " more";
  return text;
}

namespace {

constexpr std::size_t kRangesShown = 8;

std::string Kept(const RecoveryProblem& problem) {
  if (problem.written.empty()) return "nothing kept";
  return std::to_string(problem.bytesWritten) + " of " + std::to_string(problem.size) + " bytes kept in " +
         problem.written;
}

std::string WithReason(const std::string& text, const std::string& reason) {
  return reason.empty() ? text : text + " (" + reason + ")";
}

}  // namespace

std::string DescribeRecoveryProblem(const RecoveryProblem& problem) {
  std::string text = problem.entry + ": ";
  switch (problem.kind) {
    case RecoveryProblemKind::Unreadable:
      text += std::to_string(problem.unreadable.Bytes()) + " bytes could not be read from the volume; zeros stand in for them in " +
              problem.written;
      break;
    case RecoveryProblemKind::EndsEarly:
      text += "the volume holds only " + std::to_string(problem.size) + " of the " +
              std::to_string(problem.claimedSize) + " bytes its entry claims; they are in " + problem.written;
      break;
    case RecoveryProblemKind::DiskFull:
      text += "not enough disk space; " + Kept(problem);
      break;
    case RecoveryProblemKind::WriteFailed:
      text += WithReason("writing failed", problem.reason) + "; " + Kept(problem);
      break;
    case RecoveryProblemKind::Stopped:
      text += "stopped; " + Kept(problem);
      break;
    case RecoveryProblemKind::NotCreated:
      text += WithReason("cannot create " + problem.written, problem.reason);
      break;
    case RecoveryProblemKind::FolderNotCreated:
      text += WithReason("cannot create the folder " + problem.written, problem.reason);
      break;
    case RecoveryProblemKind::NotFound:
      text += "its data could not be opened on the volume; nothing written";
      break;
    case RecoveryProblemKind::InvalidName:
      text += "its name cannot be used as a file name; nothing written";
      break;
  }
  if (!problem.unreadable.Empty()) {
    if (problem.kind != RecoveryProblemKind::Unreadable) {
      text += "; " + std::to_string(problem.unreadable.Bytes()) + " bytes could not be read";
    }
    text += " (" + DescribeByteRanges(problem.unreadable, kRangesShown) + ")";
    if (!problem.unreadable.Reason().empty()) text += ": " + problem.unreadable.Reason();
  }
  return text;
}

}  // namespace tv
