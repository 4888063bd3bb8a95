// The macro editor window (MS/MS_1/ms_1_macropage.ui): a view over MacroEditor. Each control's
// signal becomes one call of the editor; what the editor shows is applied with the widgets'
// signals blocked, so nothing echoes back. The window is modal over the main window; closing it
// ends a recording (keeping its steps) and every capture.
#pragma once

#include <QDialog>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>

#include "macros/layout_key_codes.h"
#include "macros/macro_editor.h"
#include "macros/session_macro_library.h"
#include "ui/macro_editor/editor_adapters.h"
#include "ui/macro_editor/step_list.h"
#include "ui/message_box.h"
#include "ui/qt_controls.h"

namespace melko::ui {

// Runs the editor modally over owner. The recorder's memory lasts for the whole program. The
// caller refreshes the buttons' macro copies afterwards.
void RunMacroEditor(QWidget* owner, ProfileSession& session, const HookTable& hooks,
                    const std::filesystem::path& data_folder);

class MacroEditorWindow final : public QDialog, public MacroEditorView {
  Q_OBJECT

 public:
  // Macro files are chosen starting in data_folder.
  MacroEditorWindow(QWidget* owner, ProfileSession& session, const HookTable& hooks,
                    std::filesystem::path data_folder);
  ~MacroEditorWindow() override;

  const MacroEditor& editor() const { return editor_; }
  QtMessageBoxes& boxes() { return boxes_; }
  template <class Widget = QWidget>
  Widget* Find(std::string_view name) const {
    return controls_.Find<Widget>(name);
  }

  // Every way of closing (the exit button, the window's close button, Esc, the program's end)
  // ends here. A window destroyed without it (its modal loop ended by the program's end) ends
  // the same way.
  void done(int result) override;

  // MacroEditorView
  void ShowMacros(const std::vector<std::u16string>& names) override;
  void SelectMacroRow(int row) override;
  void ScrollMacroIntoView(int row) override;
  void ShowMacroName(std::u16string_view name) override;
  void ShowSteps(const std::vector<StepRow>& rows) override;
  void SelectStepRow(int row) override;
  void ScrollStepIntoView(int row) override;
  void ShowStepEditor(const StepEditorPage& page) override;
  void ShowRecordButton(const char* text_key, bool checked) override;
  void ShowDelayMode(int mode) override;
  void ShowDefaultDelay(std::string_view text) override;
  void SetEnabled(std::string_view control, bool enabled) override;
  bool ConfirmDelete(std::u16string_view name) override;
  void TellSaveFailed(std::string_view reason) override;
  void TellFileFailed(const char* text_key, const std::filesystem::path& file,
                      std::string_view reason) override;

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class KeyboardMute;

  void OnClick(const char* name, std::function<void()> action);
  void OnEdited(const char* name, std::function<QString(const QString&)> finish);
  void ConnectMacroControls();
  void ConnectStepControls();
  void ConnectRecordingControls();
  void ShowCaptureReach(bool window_only);
  void FitColumnsToTheFont();
  template <class Action>
  void Act(Action&& action);
  void ImportFile();
  void ExportFile();
  void UpdateStepButtons();
  bool KeyFieldTakes(QEvent* event) const;

  SessionMacroLibrary library_;
  QtHookControl hooks_;
  LayoutKeyCodes keys_;
  SteadyClock clock_;
  std::filesystem::path data_folder_;
  QWidget* page_;
  QtControls controls_;
  QtMessageBoxes boxes_;
  StepList steps_;
  std::unique_ptr<KeyboardMute> mute_;
  bool acting_ = false;
  bool over_record_ = false, over_exit_ = false;  // the pointer is over the button
  bool closing_by_window_manager_ = false;
  MacroEditor editor_;  // destroyed first: it removes the hooks it installed
};

}  // namespace melko::ui
