// The settings page's dialogs, menus and files on Qt: the profile name and colour dialogs, the
// file choosers, the assignment menu placed at its button, the macro editor, the desktop's mouse
// settings and the settings column that follows an opened section.
#pragma once

#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "input/button_assignment.h"
#include "platform/hook_library.h"
#include "profiles/profile_session.h"
#include "shell/page_ports.h"
#include "ui/dialogs/colour_dialog.h"
#include "ui/dialogs/profile_name_dialog.h"
#include "ui/skin_menu.h"

#include <QMenu>
class QWidget;

namespace melko::ui {

class QtControls;

class QtPageDialogs final : public PageDialogs {
 public:
  // chosen: an item of the assignment menu, by name (handed on as a menu command).
  QtPageDialogs(QWidget* window, QtControls& controls, ProfileSession& session,
                const HookTable& hooks, std::function<void(const QString& item)> chosen);

  bool AskProfileName(std::string_view title_key, const std::vector<std::u16string>& taken,
                      std::u16string& name) override;
  bool ChooseColour(std::string_view control, std::uint32_t& argb) override;
  std::optional<std::filesystem::path> OpenFile(FileKind kind) override;
  std::optional<std::filesystem::path> SaveFile(FileKind kind) override;
  void OpenAssignmentMenu(int button, std::string_view current_item) override;
  void RunMacroEditor() override;
  bool OpenSystemMouseSettings() override;
  // Enables the button of the desktop's mouse settings when one is installed; else disables it
  // with a tool tip that says why. Checked at start, each time the window shows and after a
  // failed launch, so that a tool installed meanwhile is found.
  void ShowMouseSettingsAvailability();
  void FollowOpenedSection(std::string_view section) override;

  // The assignment menu opened last, and the dialogs (for tests).
  QMenu* assignment_menu() const { return menu_; }
  ColourDialog& colour_dialog() { return colour_dialog_; }
  ProfileNameDialog& name_dialog() { return name_dialog_; }

 private:
  QWidget* window_;
  QtControls& controls_;
  ProfileSession& session_;
  const HookTable& hooks_;
  std::function<void(const QString&)> chosen_;
  std::vector<MenuNode> menu_nodes_;  // read on first use
  QPointer<QMenu> menu_;
  ColourDialog colour_dialog_;
  ProfileNameDialog name_dialog_;
};

// The shortcut capture and the macro choice of a button's assignment.
std::unique_ptr<ShortcutCapture> MakeShortcutCapture(QWidget* owner, const HookTable& hooks);
std::unique_ptr<MacroChoice> MakeMacroChoice(QWidget* owner);

// The commands that open the desktop's own mouse settings, in the order they are tried, and
// whether any of them is on the PATH.
const std::vector<QStringList>& MouseSettingsCommands();
bool MouseSettingsInstalled();
inline constexpr const char* kMouseSettingsButton = "ms_1_btn_mouse_attribute";

}  // namespace melko::ui
