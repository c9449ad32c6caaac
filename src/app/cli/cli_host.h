// The command line's side of the workflow: progress on a terminal, messages
// on standard output (errors on standard error), and the overwrite question
// asked on the terminal or answered by --overwrite.
#pragma once

#include <string>

#include "app/workflow_host.h"

namespace tv::cli {

enum class OverwritePolicy { Ask, All, No };

class CliHost : public WorkflowHost {
 public:
  CliHost(OverwritePolicy policy, bool quiet);
  ~CliHost() override;

  // Progress is drawn as "`activity` NN%" on one line of standard error when
  // that is a terminal; EndProgress clears the line.
  void BeginProgress(const char* activity);
  void EndProgress();
  bool Quiet() const { return m_bQuiet; }

  void Progress(unsigned percent) override;
  OverwriteAnswer AskOverwrite(const std::string& question, const std::string& displayName) override;
  void ShowMessage(MessageKind kind, const std::string& caption, const std::string& text) override;
  // A terminal or a log of the run has room for every name.
  std::size_t MaxListedProblems() const override { return static_cast<std::size_t>(-1); }

  // The messages of kind Error shown so far.
  int Errors() const { return m_nErrors; }

 private:
  OverwritePolicy m_policy;
  bool m_bQuiet;
  bool m_bDrawing;
  const char* m_pActivity = "Working";
  bool m_bLineShown = false;
  int m_nErrors = 0;
};

// "ask", "all" or "no"; false for anything else.
bool ParseOverwritePolicy(const std::string& text, OverwritePolicy& policy);

}  // namespace tv::cli
