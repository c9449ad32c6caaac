#include "tvcore/diag_sections.h"

namespace tv::tvcore {

namespace {

constexpr std::uint64_t kMebibyte = 1048576;

std::string Megabytes(std::uint64_t bytes) { return std::to_string(bytes / kMebibyte) + " Mb"; }

void NameValueRow(HtmlWriter& writer, const std::string& name, const std::string& value) {
  writer.Row(true);
  writer.Cell(name);
  writer.Cell(value);
  writer.Row(false);
}

}  // namespace

void WriteSectionHead(HtmlWriter& writer, const std::string& anchor, const std::string& title) {
  writer.Bold(true);
  writer.Anchor(anchor);
  writer.Text(title);
  writer.EndAnchor();
  writer.Bold(false);
  writer.LineBreak();
}

void WriteOperatingSystem(HtmlWriter& writer, const SystemSummary& summary) {
  WriteSectionHead(writer, "2", "Operting System And Miscellaneous");
  writer.Text(EscapeHtml(summary.osLine));

  writer.Table(true, 1);
  NameValueRow(writer, "Screen resolution",
               std::to_string(summary.screenWidth) + "x" + std::to_string(summary.screenHeight));
  NameValueRow(writer, "Number Of Processors", std::to_string(summary.processors));
  NameValueRow(writer, "System directory", EscapeHtml(summary.systemDirectory));
  NameValueRow(writer, "Windows directory", EscapeHtml(summary.windowsDirectory));
  writer.Table(false);

  const MemoryStatus& memory = summary.memory;
  writer.Text("Memory status");
  writer.Table(true, 1);
  NameValueRow(writer, "Memory usage", std::to_string(memory.load) + " %");
  NameValueRow(writer, "Total size of physical memory", Megabytes(memory.totalPhysical));
  NameValueRow(writer, "Size of physical memory available", Megabytes(memory.availablePhysical));
  NameValueRow(writer, "Size of the committed memory limit", Megabytes(memory.commitLimit));
  NameValueRow(writer, "Size of available memory to commit", Megabytes(memory.availableCommit));
  NameValueRow(writer, "Total size virtual address space", Megabytes(memory.totalVirtual) + "\n");
  NameValueRow(writer, "Size of unreserved and uncommitted memory", Megabytes(memory.availableVirtual));
  writer.Table(false);

  const TempDiskInfo& temp = summary.temp;
  writer.Text("Temp path information");
  writer.Table(true, 1);
  NameValueRow(writer, "TEMP directory", EscapeHtml(temp.tempPath));
  NameValueRow(writer, "Free for caller", Megabytes(temp.freeForCaller));
  NameValueRow(writer, "Free on the disk", Megabytes(temp.freeOnDisk));
  NameValueRow(writer, "Disk size", Megabytes(temp.diskSize) + "\n");
  writer.Table(false);
}

void WriteEnvironment(HtmlWriter& writer, const std::vector<std::string>& environment) {
  WriteSectionHead(writer, "1", "Environment");
  writer.Table(true, 1);
  for (const std::string& full : environment) {
    const std::string entry = full.substr(0, kMaxEnvironmentEntry);
    // Split after the first character, so that names such as "=C:" of the
    // per-drive current folders keep their leading "=".
    const std::size_t equals = entry.empty() ? std::string::npos : entry.find('=', 1);
    writer.Row(true);
    if (equals != std::string::npos) {
      writer.Cell(EscapeHtml(entry.substr(0, equals)));
      writer.Cell(EscapeHtml(entry.substr(equals + 1)));
    }
    writer.Row(false);
  }
  writer.Table(false);
}

void WriteProcesses(HtmlWriter& writer, const std::vector<ProcessEntry>& processes) {
  writer.LineBreak();
  WriteSectionHead(writer, "10", "Applications Running");
  writer.Table(true, 1);
  writer.Row(true);
  writer.Cell("PID");
  writer.Cell("Image name");
  writer.Row(false);
  for (const ProcessEntry& process : processes) {
    writer.Row(true);
    writer.Cell(std::to_string(process.id), "right");
    writer.Cell(process.imageName.empty() ? "&nbsp;" : EscapeHtml(process.imageName));
    writer.Row(false);
  }
  writer.Table(false);
}

}  // namespace tv::tvcore
