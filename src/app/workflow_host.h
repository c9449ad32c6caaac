// What the scan and recovery workflows need from the front end that runs
// them (the window or the command line): progress, questions and messages.
// The break flag is process-wide (parser/break_flag.h).
#pragma once

#include <cstddef>
#include <string>

namespace tv {

enum class OverwriteAnswer { Yes, No, All, Cancel };
enum class MessageKind { Information, Error, Plain };

class WorkflowHost {
 public:
  virtual ~WorkflowHost() = default;
  // A new position from 0 to 100.
  virtual void Progress(unsigned percent) = 0;
  // `displayName` exists in the destination folder: may it be written?
  virtual OverwriteAnswer AskOverwrite(const std::string& question, const std::string& displayName) = 0;
  virtual void ShowMessage(MessageKind kind, const std::string& caption, const std::string& text) = 0;
  // How many entries a message lists by name when it reports entries that
  // could not be recovered completely; the rest are counted (and logged).
  virtual std::size_t MaxListedProblems() const { return 20; }
  // Called again and again while the caller waits for a worker (every
  // 10 ms): a window dispatches one queued message here.
  virtual void WhileWaiting() {}
};

}  // namespace tv
