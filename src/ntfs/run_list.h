// Run lists of non-resident attributes: the packed (length, offset) pairs
// that map an attribute's clusters to clusters of the volume.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tv::ntfs {

// One run: `length` clusters from cluster `lcn` of the volume. A sparse run
// (no clusters on the volume, reads as zeros) has lcn 0.
struct Run {
  std::uint64_t length = 0;
  std::uint64_t lcn = 0;
  bool IsSparse() const { return lcn == 0; }
  bool operator==(const Run&) const = default;
};
using RunList = std::vector<Run>;

// One decoded run header: the length, the signed offset from the previous
// run's LCN (0 for a sparse run) and where the next header starts.
struct PackedRun {
  std::uint64_t length = 0;
  std::int64_t offset = 0;
  std::size_t next = 0;
};

// Decodes the run at `position` of `area`. False at the terminator (a zero
// header byte), for a header whose length or offset field is wider than 8
// bytes, and for a run whose bytes do not lie inside `area`.
bool GetRun(std::span<const std::uint8_t> area, std::size_t position, PackedRun& out);

// What the runs at `position` occupy: their bytes (terminator not counted),
// how many there are and their clusters in total.
struct RunListExtent {
  std::size_t bytes = 0;
  std::uint32_t runs = 0;
  std::uint64_t clusters = 0;
};
// Logs and gives an empty extent when `position` lies outside `area`.
RunListExtent CalcDataRunsLength(std::span<const std::uint8_t> area, std::size_t position);

// Appends the runs at `position` to `runs`. The LCN of each run is the
// running sum of the offsets, starting at 0; a run with offset 0 is sparse
// and leaves the sum alone. A sum that falls below 0 ends the list, since it
// names no cluster of any volume. Returns the number of runs appended.
std::size_t DecodeRunList(std::span<const std::uint8_t> area, std::size_t position, RunList& runs);

// Clusters of all runs, sparse ones included; saturates instead of wrapping.
std::uint64_t TotalClusters(const RunList& runs);

// Clusters of a file that its runs can account for: the sparse ones, and at
// most `volumeClusters` allocated ones, since no file holds more of the
// volume than the volume has. Saturates instead of wrapping.
std::uint64_t CoveredClusters(const RunList& runs, std::uint64_t volumeClusters);

}  // namespace tv::ntfs
