#include "app/cli/cli_host.h"

#include <cstdio>
#include <iostream>

#include "app/cli/entry_format.h"
#include "platform/console.h"

namespace tv::cli {

namespace {

// A message for the terminal: its names come from the volume, so control
// characters are shown escaped; the message's own line breaks stay.
std::string ForTerminal(const std::string& message) {
  std::string out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = message.find('\n', start);
    out += EscapeControlCharacters(message.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) return out;
    out += '\n';
    start = end + 1;
  }
}

}  // namespace

CliHost::CliHost(OverwritePolicy policy, bool quiet)
    : m_policy(policy), m_bQuiet(quiet), m_bDrawing(!quiet && platform::IsStandardErrorTerminal()) {}

CliHost::~CliHost() { EndProgress(); }

void CliHost::BeginProgress(const char* activity) {
  EndProgress();
  m_pActivity = activity;
}

void CliHost::EndProgress() {
  if (!m_bLineShown) return;
  std::fprintf(stderr, "\r%40s\r", "");
  std::fflush(stderr);
  m_bLineShown = false;
}

void CliHost::Progress(unsigned percent) {
  if (!m_bDrawing) return;
  std::fprintf(stderr, "\r%s %3u%%", m_pActivity, percent > 100 ? 100u : percent);
  std::fflush(stderr);
  m_bLineShown = true;
}

OverwriteAnswer CliHost::AskOverwrite(const std::string& question, const std::string& displayName) {
  switch (m_policy) {
    case OverwritePolicy::All:
      return OverwriteAnswer::All;
    case OverwritePolicy::No:
      ShowMessage(MessageKind::Information, "",
                  "Skipped '" + displayName + "': it already exists in the destination folder (--overwrite no).");
      return OverwriteAnswer::No;
    case OverwritePolicy::Ask:
      break;
  }
  EndProgress();
  for (;;) {
    std::fprintf(stderr, "%s\n[y]es, [n]o, [a]ll, [c]ancel? ", ForTerminal(question).c_str());
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) return OverwriteAnswer::Cancel;
    if (answer == "y" || answer == "Y") return OverwriteAnswer::Yes;
    if (answer == "n" || answer == "N") return OverwriteAnswer::No;
    if (answer == "a" || answer == "A") return OverwriteAnswer::All;
    if (answer == "c" || answer == "C") return OverwriteAnswer::Cancel;
  }
}


void CliHost::ShowMessage(MessageKind kind, const std::string& caption, const std::string& text) {
  EndProgress();
  const std::string line = ForTerminal(caption.empty() ? text : caption + "\n" + text);
  if (kind == MessageKind::Error) {
    ++m_nErrors;
    std::fprintf(stderr, "%s\n", line.c_str());
  } else if (!m_bQuiet) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
  }
}

bool ParseOverwritePolicy(const std::string& text, OverwritePolicy& policy) {
  if (text == "ask") {
    policy = OverwritePolicy::Ask;
  } else if (text == "all") {
    policy = OverwritePolicy::All;
  } else if (text == "no") {
    policy = OverwritePolicy::No;
  } else {
    return false;
  }
  return true;
}

}  // namespace tv::cli
