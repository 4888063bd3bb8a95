#include "ui/page_dialogs.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QScrollArea>
#include <QStandardPaths>
#include <cstdio>

#include "common/language.h"
#include "input/button_functions.h"
#include "shell/dialog_logic.h"
#include "ui/dialogs/macro_choice_dialog.h"
#include "ui/dialogs/shortcut_dialog.h"
#include "ui/file_dialogs.h"
#include "ui/macro_editor/macro_editor_window.h"
#include "ui/qt_controls.h"
#include "ui/skin.h"

namespace melko::ui {

const std::vector<QStringList>& MouseSettingsCommands() {
  static const std::vector<QStringList> commands = {
      {"gnome-control-center", "mouse"},  {"kcmshell6", "kcm_mouse"},
      {"kcmshell5", "kcm_mouse"},         {"systemsettings", "kcm_mouse"},
      {"xfce4-mouse-settings"},           {"cinnamon-settings", "mouse"},
      {"mate-mouse-properties"},          {"lxqt-config-input"},
      {"budgie-control-center", "mouse"},
  };
  return commands;
}

bool MouseSettingsInstalled() {
  for (const QStringList& command : MouseSettingsCommands()) {
    if (!QStandardPaths::findExecutable(command.front()).isEmpty()) return true;
  }
  return false;
}

QtPageDialogs::QtPageDialogs(QWidget* window, QtControls& controls, ProfileSession& session,
                             const HookTable& hooks, std::function<void(const QString&)> chosen)
    : window_(window),
      controls_(controls),
      session_(session),
      hooks_(hooks),
      chosen_(std::move(chosen)),
      colour_dialog_(window),
      name_dialog_(window) {
  ShowMouseSettingsAvailability();
}

void QtPageDialogs::ShowMouseSettingsAvailability() {
  auto* button = controls_.Find<QAbstractButton>(kMouseSettingsButton);
  if (!button) return;
  // A button that can only fail says why instead; the tool tip also reaches a screen reader.
  const bool installed = MouseSettingsInstalled();
  button->setEnabled(installed);
  button->setToolTip(installed ? QString() : Text("system_mouse_settings_missing_text"));
}

bool QtPageDialogs::AskProfileName(std::string_view title_key,
                                   const std::vector<std::u16string>& taken, std::u16string& name) {
  return name_dialog_.AskProfileName(title_key, taken, name);
}

bool QtPageDialogs::ChooseColour(std::string_view control, std::uint32_t& argb) {
  return colour_dialog_.ChooseColour(controls_.Find(control), argb);
}

std::optional<std::filesystem::path> QtPageDialogs::OpenFile(FileKind kind) {
  return ChooseFileToOpen(window_, kind);
}

std::optional<std::filesystem::path> QtPageDialogs::SaveFile(FileKind kind) {
  return ChooseFileToSave(window_, kind);
}

namespace {

// "Sends Super+R" for an item whose function sends a fixed key combination.
QString SentKeysTip(const QString& item) {
  const ButtonFunction* function = ButtonFunctionOfMenuItem(item.toStdString());
  if (!function || function->combination.usage == 0) return {};
  const std::string keys = KeysText(CurrentKeyboardLayout(), function->combination.modifiers,
                                    function->combination.usage);
  return QString::fromStdString(text("sends_keys_text", {keys}));
}

}  // namespace

void QtPageDialogs::OpenAssignmentMenu(int button, std::string_view current_item) {
  QWidget* anchor = controls_.Find(("ms_1_btn_key_" + std::to_string(button)).c_str());
  if (!anchor) return;
  if (menu_nodes_.empty()) menu_nodes_ = ReadMenuFile(QStringLiteral("MS/MS_1/ms_1_menu.xml"));
  // The one menu that exists at a time replaces the one before.
  delete menu_;
  menu_ = BuildMenu(menu_nodes_, window_, chosen_);
  menu_->setAttribute(Qt::WA_DeleteOnClose);
  MarkCurrentItem(*menu_, QString::fromUtf8(current_item.data(), qsizetype(current_item.size())));
  SetItemTips(*menu_, SentKeysTip);
  const QPoint corner = anchor->mapToGlobal(QPoint(anchor->width(), 0));
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  const int top = AssignmentMenuTop(corner.y(), menu_->sizeHint().height(), screen.bottom());
  menu_->popup(QPoint(corner.x(), top));
}

bool QtPageDialogs::OpenSystemMouseSettings() {
  for (const QStringList& command : MouseSettingsCommands()) {
    const QString program = QStandardPaths::findExecutable(command.front());
    if (program.isEmpty()) continue;
    if (QProcess::startDetached(program, command.mid(1))) return true;
  }
  std::fprintf(stderr, "melko: no mouse settings of the desktop are installed\n");
  ShowMouseSettingsAvailability();
  return false;
}

void QtPageDialogs::FollowOpenedSection(std::string_view section) {
  auto* scroll = controls_.Find<QScrollArea>("settings_scroll");
  QWidget* opened = controls_.Find(section);
  if (scroll && opened) scroll->ensureWidgetVisible(opened);
}

void QtPageDialogs::RunMacroEditor() {
  melko::ui::RunMacroEditor(window_, session_, hooks_, session_.data_folder());
}

std::unique_ptr<ShortcutCapture> MakeShortcutCapture(QWidget* owner, const HookTable& hooks) {
  return std::make_unique<ShortcutDialog>(owner, hooks);
}

std::unique_ptr<MacroChoice> MakeMacroChoice(QWidget* owner) {
  return std::make_unique<MacroChoiceDialog>(owner);
}

}  // namespace melko::ui
