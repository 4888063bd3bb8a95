// What the settings page opens: its dialogs, the assignment menu, file choosers, the macro editor
// and the desktop's own mouse settings. The Qt layer implements them; tests use fakes. Each modal
// call returns true when the user confirmed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace melko {

enum class FileKind { kProfile, kMacro };

class PageDialogs {
 public:
  virtual ~PageDialogs() = default;

  // The profile name dialog with its title key; taken are the names in use, compared without
  // regard to case. On true, name holds the accepted name (at most 99 UTF-16 units).
  virtual bool AskProfileName(std::string_view title_key, const std::vector<std::u16string>& taken,
                              std::u16string& name) = 0;
  // The colour dialog, placed by the control it was opened from; argb (0xAARRGGBB) presets it and
  // holds the chosen colour on true.
  virtual bool ChooseColour(std::string_view control, std::uint32_t& argb) = 0;
  // File choosers for profile or macro files; nothing when cancelled.
  virtual std::optional<std::filesystem::path> OpenFile(FileKind kind) = 0;
  virtual std::optional<std::filesystem::path> SaveFile(FileKind kind) = 0;
  // The assignment menu of button 1 to 12, at the button, with the item of the button's current
  // function marked; the chosen item comes back as a menu command. Not modal.
  virtual void OpenAssignmentMenu(int button, std::string_view current_item) = 0;
  // The macro editor, modal over the main window.
  virtual void RunMacroEditor() = 0;
  // The desktop's own mouse settings; false (after a debug line) when none is installed.
  virtual bool OpenSystemMouseSettings() = 0;
  // After a lower section was opened: the settings column brings it into view.
  virtual void FollowOpenedSection(std::string_view section) = 0;
};

}  // namespace melko
