// The toolbox menu and its commands, apart from the window system: which
// items the menu holds, what a command does with its product, and the
// toolbox that the last menu was built from. The Windows side turns the
// layout into a real menu and supplies the shell and the question dialog.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "tvcore/settings_store.h"
#include "tvcore/toolbox.h"

namespace tv::tvcore {

// The main window routes the commands 2000 to 2100 to the toolbox, so at
// most 101 entries can have a command; the rest stay out of the menu.
inline constexpr int kToolboxFirstCommand = 2000;
inline constexpr int kToolboxLastCommand = 2100;
// Opens the toolbox page of the help file (handled by the main window).
inline constexpr int kToolboxReferenceCommand = 32800;

inline constexpr const char* kToolboxMenuText = "&Toolbox";
inline constexpr const char* kToolboxReferenceText = "&Toolbox Reference...";
// The toolbox files' folder below the folder the caller passes.
inline constexpr const char* kToolboxSubfolder = "\\Talvenor";
// The caller's folder buffer is treated as a path buffer of this many bytes
// (MAX_PATH), however large it really is.
inline constexpr std::size_t kToolboxFolderBuffer = 260;

// Appends kToolboxSubfolder to the zero-ended folder in `buffer`, a buffer of
// `capacity` bytes. False, with the buffer untouched, when the buffer is
// null, holds no zero within `capacity` bytes or has no room for the result.
bool AppendToolboxFolder(char* buffer, std::size_t capacity);

struct ToolboxMenuItem {
  enum class Kind { Command, Separator, Submenu };
  Kind kind = Kind::Separator;
  std::string text;
  int command = 0;
  bool checked = false;
  std::vector<ToolboxMenuItem> items;  // a submenu's items
};

// The items of the "&Toolbox" popup: the installed entries with their
// commands, a separator, one submenu per group holding the group's entries
// (installed ones checked), a separator and the toolbox reference.
std::vector<ToolboxMenuItem> ToolboxMenuLayout(const Toolbox& toolbox);

// The entry whose command `command` is; null outside the command range or
// past the toolbox's entries.
const ToolboxEntry* ToolboxCommandEntry(const Toolbox& toolbox, int command);

// The executable's "_mfc" variant: "_mfc" before the file name's extension.
std::string MfcExecutablePath(const std::string& executablePath);

// What to open to start an installed product: its "_mfc" variant when that
// exists, else the executable itself, unless another process holds the
// executable so that it cannot even be read (then nothing: nullopt).
std::optional<std::string> ProductStartTarget(const std::string& executablePath);

enum class ToolboxStep { StartProduct, AskAboutProduct, OpenHomePage };

// An installed product starts; for any other the "Prompt" setting decides
// whether to ask first (0) or to open its home page at once.
ToolboxStep ChooseToolboxStep(const ToolboxEntry& entry, unsigned prompt);

// The question about a product that is not installed.
std::string ProductNotInstalledText(const std::string& productName);

enum class ProductAnswer { Cancel, Open, OpenAndStopAsking };

// What a toolbox command needs from the system. Both calls fail silently: a
// product that cannot be started shows nothing.
class ToolboxShell {
 public:
  virtual ~ToolboxShell() = default;
  // Opens a file or a web address the way the shell does ("open").
  virtual void Open(const std::string& target) = 0;
  // Asks whether to open the home page of a product that is not installed.
  virtual ProductAnswer AskAboutProduct(const ToolboxEntry& entry) = 0;
};

// The settings that remember "Don't prompt me again".
inline constexpr const char* kToolboxSection = "Toolbox";
inline constexpr const char* kPromptKey = "Prompt";

// Runs the command of `entry` (none: 0, nothing happens); 1 when handled.
int RunToolboxCommand(const std::optional<ToolboxEntry>& entry, const SettingsStore& store, ToolboxShell& shell);

// The toolbox of the last menu built in this process, replaced by every
// build (nullopt when it found none), and the entry of a command in it.
void KeepToolbox(std::optional<Toolbox> toolbox);
std::optional<ToolboxEntry> KeptToolboxEntry(int command);

}  // namespace tv::tvcore
