// The desktop session's autostart entry of the program (XDG autostart): a desktop entry named
// org.melko.Melko.desktop in $XDG_CONFIG_HOME/autostart (by default ~/.config/autostart) that
// starts `melko --hidden` at log-in. An entry of that name in a folder of $XDG_CONFIG_DIRS (by
// default /etc/xdg/autostart), which an administrator may install, counts unless the user's own
// entry hides it.
#pragma once

#include <filesystem>
#include <string>

#include "shell/shell_ports.h"

namespace melko::ui {

inline constexpr const char* kAutostartFileName = "org.melko.Melko.desktop";

class AutostartEntry : public Autostart {
 public:
  // The running program, and the folders of $PATH.
  AutostartEntry();
  // program: the path the entry starts; search_path: ':'-separated folders in which a program
  // found by its name needs no path in the entry.
  AutostartEntry(std::filesystem::path program, std::string search_path);

  // Whether the session starts the program at log-in: the user's entry, or else the first system
  // one, exists, is not hidden or switched off, and its TryExec program is there.
  bool Enabled() override;
  // On: writes the user's entry (atomically). Off: removes it, and hides a system entry that
  // would still start the program. The error is the reason, without the path.
  Outcome SetEnabled(bool enabled) override;
  std::string Location() override { return UserEntryPath().string(); }

  // The entry as it is written. The command is the program's name when $PATH finds this very
  // program by it (it then survives an upgrade that moves nothing), else its full path.
  std::string EntryText() const;

 private:
  // Empty when no home folder is known.
  std::filesystem::path UserEntryPath() const;
  std::string ProgramWord() const;

  std::filesystem::path program_;
  std::string search_path_;
};

}  // namespace melko::ui
