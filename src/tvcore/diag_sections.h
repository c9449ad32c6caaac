// The sections of the diagnostics report that describe the machine: the
// system and its memory, the environment and the running processes.
#pragma once

#include <string>
#include <vector>

#include "tvcore/html_writer.h"
#include "tvcore/system_info.h"

namespace tv::tvcore {

// Bold anchor and title, then a line break: how every section starts.
void WriteSectionHead(HtmlWriter& writer, const std::string& anchor, const std::string& title);

void WriteOperatingSystem(HtmlWriter& writer, const SystemSummary& summary);
void WriteEnvironment(HtmlWriter& writer, const std::vector<std::string>& environment);
void WriteProcesses(HtmlWriter& writer, const std::vector<ProcessEntry>& processes);

// Longest environment entry the report shows.
inline constexpr std::size_t kMaxEnvironmentEntry = 4095;

}  // namespace tv::tvcore
