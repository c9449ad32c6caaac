// Shared pieces of the workflow tests: a host that records what the
// workflow shows and answers its questions from a script, and the writing of
// file contents into the small FAT volumes of the FAT tests.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "app/workflow_host.h"
#include "fat/tiny_volume.h"

namespace tv::testing {

class RecordingHost : public WorkflowHost {
 public:
  void Progress(unsigned percent) override { progress.push_back(percent); }
  OverwriteAnswer AskOverwrite(const std::string& question, const std::string&) override {
    questions.push_back(question);
    if (answers.empty()) return OverwriteAnswer::Yes;
    const OverwriteAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void ShowMessage(MessageKind, const std::string& caption, const std::string& text) override {
    messages.push_back(caption.empty() ? text : caption + " | " + text);
  }

  std::deque<OverwriteAnswer> answers;
  std::vector<std::string> questions;
  std::vector<std::string> messages;
  std::vector<unsigned> progress;
};

// Bytes that differ at every offset of a file, so that a shift shows.
Bytes Pattern(std::size_t size, std::uint8_t seed);
// Writes `data` into the volume from the start of `cluster` onward (the tiny
// volumes have 512-byte clusters, data area from sector 3).
void PutData(TinyVolume& volume, std::uint32_t cluster, const Bytes& data, std::size_t offset = 0);
inline constexpr std::uint64_t TinyClusterSector(std::uint32_t cluster) { return 3 + (cluster - 2); }

// The whole contents of a file; empty when it cannot be read.
Bytes ReadWholeFile(const std::string& path);

}  // namespace tv::testing
