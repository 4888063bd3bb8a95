#include "ui/macro_editor/macro_editor_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <array>

#include "common/text.h"
#include "macros/macro_editor_controls.h"
#include "profiles/data_folder.h"
#include "ui/dialogs/name_edit.h"
#include "ui/file_dialogs.h"
#include "ui/skin.h"
#include "ui/theme.h"
#include "ui/widgets/svg_icon.h"

namespace melko::ui {
namespace {

namespace control = macro_control;

// The two panels that the insert-mouse check box switches between.
constexpr const char* kNameTab = "ms_1_macro_name_tab";
constexpr const char* kMouseEventTab = "ms_1_macro_mouse_event_tab";
// The line that says that only this program's windows are heard.
constexpr const char* kWindowCaptureNote = "window_capture_note";

// The options of delay modes 0, 1 and 2.
constexpr std::array<const char*, 3> kDelayModeOptions = {
    control::kRecordedDelayMode, control::kDefaultDelayMode, control::kNoDelayMode};

// What the recorder remembers outlives every editor window.
RecorderMemory& ProgramRecorderMemory() {
  static RecorderMemory memory;
  return memory;
}

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// The step rows are widgets in the text colour; on the dimmed accent a selected row stays
// readable. The macro list follows, so both lists select alike.
void DimSelection(QListWidget* list) {
  if (!list) return;
  QPalette palette = list->palette();
  palette.setColor(QPalette::Highlight, QColor(0x1a, 0x8f, 0x87));
  palette.setColor(QPalette::HighlightedText, palette.color(QPalette::Text));
  list->setPalette(palette);
}

// The editor moves the selection itself; the list's own notification would come back as a choice.
// Set through the view, the row (or none) also counts as chosen: otherwise the list, taking the
// focus, would make its first row current, a choice the user never made.
void SelectRowQuietly(QListWidget* list, int row) {
  if (!list) return;
  const QSignalBlocker quiet(list);
  list->QAbstractItemView::setCurrentIndex(list->model()->index(row, 0));
}

void ScrollToRow(QListWidget* list, int row) {
  if (list && list->item(row)) list->scrollToItem(list->item(row));
}

}  // namespace

// While a recording runs, what is typed reaches the recorder through the hook; the window itself
// ignores it, so that a Space or an Esc typed into the recording does not press a button or close
// the window.
class MacroEditorWindow::KeyboardMute final : public QObject {
 public:
  explicit KeyboardMute(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
  ~KeyboardMute() override { qApp->removeEventFilter(this); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    return watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == window_;
  }

 private:
  QWidget* window_;
};

void RunMacroEditor(QWidget* owner, ProfileSession& session, const HookTable& hooks,
                    const std::filesystem::path& data_folder) {
  MacroEditorWindow window(owner, session, hooks, data_folder);
  window.exec();
}

MacroEditorWindow::MacroEditorWindow(QWidget* owner, ProfileSession& session,
                                     const HookTable& hooks, std::filesystem::path data_folder)
    : QDialog(owner),
      library_(session),
      hooks_(hooks, [this](std::uint32_t wparam,
                           std::intptr_t lparam) { editor_.OnHookMessage(wparam, lparam); }),
      data_folder_(std::move(data_folder)),
      page_(LoadLayout(QStringLiteral("MS/MS_1/ms_1_macropage.ui"), this)),
      controls_(page_ ? page_ : this),
      boxes_(this),
      steps_(Find<QListWidget>(control::kStepList)),
      editor_(library_, hooks_, keys_, clock_, ProgramRecorderMemory(), *this) {
  setWindowTitle(Text("macro_editor_title_text"));
  setWindowIcon(SvgIcon(QStringLiteral("img/app.svg")));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  if (page_) {
    ApplyRoles(page_);
    layout->addWidget(page_);
  }
  DimSelection(Find<QListWidget>(control::kMacroList));
  DimSelection(Find<QListWidget>(control::kStepList));
  ConnectMacroControls();
  ConnectStepControls();
  ConnectRecordingControls();
  ShowCaptureReach(hooks.window_only);
  resize(720, 520);  // or what FitColumnsToTheFont finds the columns need
  FitColumnsToTheFont();
  editor_.Open();
}

// The skin gives the side columns fixed widths made for the usual font size. A larger font widens
// each to what its texts need, and the step list keeps room for a row with a longer key name.
void MacroEditorWindow::FitColumnsToTheFont() {
  if (!page_) return;
  page_->ensurePolished();
  for (const char* name : {"macro_column", "tool_column"}) {
    auto* column = page_->findChild<QWidget*>(QLatin1String(name));
    if (column && column->minimumSizeHint().width() > column->maximumWidth())
      column->setFixedWidth(column->minimumSizeHint().width());
  }
  if (auto* list = Find<QListWidget>(control::kStepList))
    list->setMinimumWidth(std::max(list->minimumWidth(), steps_.MinimumListWidth()));
  // The window's least size is made from least sizes alone; wrapped texts need the height their
  // lines take at the width the columns leave them.
  layout()->activate();
  setMinimumHeight(std::max(minimumHeight(), layout()->totalHeightForWidth(minimumWidth())));
}

MacroEditorWindow::~MacroEditorWindow() {
  editor_.Close();
}

// A user's action, passed to the editor. Blocking misses one kind of echo, a field that loses the
// focus as the editor hides its page; what arrives while the editor is busy is such an echo.
template <class Action>
void MacroEditorWindow::Act(Action&& action) {
  if (acting_) return;
  acting_ = true;
  action();
  acting_ = false;
}

void MacroEditorWindow::OnClick(const char* name, std::function<void()> action) {
  if (auto* button = Find<QAbstractButton>(name)) {
    connect(button, &QAbstractButton::clicked, this, [this, action] { Act(action); });
  }
}

// A line edit whose text, once edited, goes to finish; the field then shows what finish returns.
void MacroEditorWindow::OnEdited(const char* name, std::function<QString(const QString&)> finish) {
  if (auto* edit = Find<QLineEdit>(name)) {
    connect(edit, &QLineEdit::editingFinished, this,
            [this, edit, finish] { Act([&] { edit->setText(finish(edit->text())); }); });
  }
}

void MacroEditorWindow::ConnectMacroControls() {
  if (auto* list = Find<QListWidget>(control::kMacroList)) {
    connect(list, &QListWidget::currentRowChanged, this,
            [this](int row) { Act([&] { editor_.SelectMacro(row); }); });
  }
  OnClick(control::kAddMacro, [this] { editor_.AddMacro(); });
  OnClick(control::kDeleteMacro, [this] { editor_.DeleteMacro(); });
  OnClick(control::kImportMacro, [this] { ImportFile(); });
  OnClick(control::kExportMacro, [this] { ExportFile(); });
  LimitName(Find<QLineEdit>(control::kNameEdit), int(kMacroNameMaxUnits));
  OnEdited(control::kNameEdit, [this](const QString& text) {
    return QString::fromStdU16String(editor_.FinishNameEdit(text.toStdU16String()));
  });
  if (auto* button = Find<QAbstractButton>(control::kExit)) {
    button->installEventFilter(this);
    connect(button, &QAbstractButton::clicked, this, &QDialog::reject);
  }
}

void MacroEditorWindow::ConnectStepControls() {
  if (auto* list = Find<QListWidget>(control::kStepList)) {
    connect(list, &QListWidget::currentRowChanged, this,
            [this](int row) { Act([&] { editor_.SelectStep(row); }); });
  }
  OnClick(control::kMoveUp, [this] { editor_.MoveStepUp(); });
  OnClick(control::kMoveDown, [this] { editor_.MoveStepDown(); });
  OnClick(control::kDeleteStep, [this] { editor_.DeleteStep(); });
  OnClick(control::kClearSteps, [this] { editor_.ClearSteps(); });
  for (int i = 0; i < int(control::kInsertClick.size()); ++i) {
    OnClick(control::kInsertClick[std::size_t(i)], [this, i] { editor_.InsertClick(i); });
  }
  auto* name_tab = Find(kNameTab);
  auto* mouse_tab = Find(kMouseEventTab);
  if (auto* check = Find<QAbstractButton>(control::kInsertMouseTab);
      check && name_tab && mouse_tab) {
    connect(check, &QAbstractButton::toggled, this, [name_tab, mouse_tab](bool on) {
      name_tab->setVisible(!on);
      mouse_tab->setVisible(on);
    });
  }

  // The step editor.
  if (auto* check = Find<QAbstractButton>(control::kStepEditorCheck)) {
    connect(check, &QAbstractButton::clicked, this,
            [this](bool checked) { Act([&] { editor_.SetStepEditorOpen(checked); }); });
  }
  if (auto* key = Find(control::kKeyEdit)) key->installEventFilter(this);
  for (const char* name : {control::kKeyDelayEdit, control::kMouseDelayEdit}) {
    OnEdited(name, [this](const QString& text) {
      return FromUtf8(editor_.FinishDelayEdit(text.toStdString()));
    });
  }
  if (auto* combo = Find<QComboBox>(control::kMouseCombo)) {
    connect(combo, &QComboBox::activated, this,
            [this](int index) { Act([&] { editor_.ChooseMouseButton(index); }); });
  }
  OnClick(control::kSaveStep, [this] { editor_.SaveStep(); });
  OnClick(control::kCancelStep, [this] { editor_.CancelStep(); });
}

void MacroEditorWindow::ConnectRecordingControls() {
  if (auto* button = Find<QAbstractButton>(control::kRecord)) {
    button->installEventFilter(this);
    connect(button, &QAbstractButton::clicked, this, [this] {
      Act([&] {
        editor_.ToggleRecording();
        // A recording started from the keyboard, with the pointer elsewhere, takes clicks at once.
        editor_.SetPointerOverStopButton(over_record_ || over_exit_);
      });
    });
  }
  for (int mode = 0; mode < int(kDelayModeOptions.size()); ++mode) {
    if (auto* option = Find<QAbstractButton>(kDelayModeOptions[std::size_t(mode)])) {
      connect(option, &QAbstractButton::clicked, this,
              [this, mode] { Act([&] { editor_.SetDelayMode(mode); }); });
    }
  }
  OnEdited(control::kDefaultDelayEdit, [this](const QString& text) {
    return FromUtf8(editor_.FinishDefaultDelayEdit(text.toStdString()));
  });
}

// Where the capture hears only this program's windows, the user is told so beside the record
// button, whose tip would otherwise promise the whole desktop.
void MacroEditorWindow::ShowCaptureReach(bool window_only) {
  if (QWidget* note = Find(kWindowCaptureNote)) note->setVisible(window_only);
  if (auto* record = Find(control::kRecord); record && window_only) {
    record->setToolTip(Text("macro_record_window_only_text"));
  }
}

void MacroEditorWindow::ImportFile() {
  if (const auto file = ChooseFileToOpen(this, FileKind::kMacro, data_folder_)) {
    editor_.ImportMacroFile(*file);
  }
}

void MacroEditorWindow::ExportFile() {
  if (const auto file = ChooseFileToSave(this, FileKind::kMacro, data_folder_)) {
    editor_.ExportMacroFile(*file);
  }
}

void MacroEditorWindow::done(int result) {
  // A field being edited is finished first, as leaving it would finish it.
  if (QWidget* focused = focusWidget()) focused->clearFocus();
  editor_.Close(closing_by_window_manager_);
  QDialog::done(result);
}

// A close that comes from outside the program is the window manager's: its close button, a menu.
void MacroEditorWindow::closeEvent(QCloseEvent* event) {
  closing_by_window_manager_ = event->spontaneous();
  QDialog::closeEvent(event);
  closing_by_window_manager_ = false;
}

void MacroEditorWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange) editor_.SetWindowActive(isActiveWindow());
  QDialog::changeEvent(event);
}

bool MacroEditorWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  const bool record = watched == Find(control::kRecord), exit = watched == Find(control::kExit);
  if ((record || exit) && (type == QEvent::Enter || type == QEvent::Leave)) {
    (record ? over_record_ : over_exit_) = type == QEvent::Enter;
    editor_.SetPointerOverStopButton(over_record_ || over_exit_);
  } else if (watched == Find(control::kKeyEdit)) {
    if (type == QEvent::FocusIn || type == QEvent::FocusOut) {
      editor_.SetKeyFieldFocus(type == QEvent::FocusIn);
    } else if (KeyFieldTakes(event)) {
      event->accept();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

// While the key field listens, the keys typed into it are the step's (through the hook) and not
// the window's: Esc does not close it, Enter presses no button. Tab still moves the focus on.
bool MacroEditorWindow::KeyFieldTakes(QEvent* event) const {
  const QEvent::Type type = event->type();
  if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress && type != QEvent::KeyRelease) {
    return false;
  }
  const int key = static_cast<QKeyEvent*>(event)->key();
  return editor_.state().events_to_key_edit && key != Qt::Key_Tab && key != Qt::Key_Backtab;
}

void MacroEditorWindow::ShowMacros(const std::vector<std::u16string>& names) {
  auto* list = Find<QListWidget>(control::kMacroList);
  if (!list) return;
  const QSignalBlocker quiet(list);
  list->clear();
  const int row_height = list->fontMetrics().height() + 8;
  for (const std::u16string& name : names) {
    auto* item = new QListWidgetItem(QString::fromStdU16String(name), list);
    item->setSizeHint(QSize(0, row_height));
  }
}

void MacroEditorWindow::SelectMacroRow(int row) {
  SelectRowQuietly(Find<QListWidget>(control::kMacroList), row);
}

void MacroEditorWindow::ScrollMacroIntoView(int row) {
  ScrollToRow(Find<QListWidget>(control::kMacroList), row);
}

void MacroEditorWindow::ShowMacroName(std::u16string_view name) {
  if (auto* edit = Find<QLineEdit>(control::kNameEdit)) {
    const QSignalBlocker quiet(edit);
    edit->setText(QString::fromStdU16String(std::u16string(name)));
  }
}

void MacroEditorWindow::ShowSteps(const std::vector<StepRow>& rows) {
  auto* list = Find<QListWidget>(control::kStepList);
  const QSignalBlocker quiet(list);
  steps_.Show(rows);
}

void MacroEditorWindow::SelectStepRow(int row) {
  SelectRowQuietly(Find<QListWidget>(control::kStepList), row);
}

void MacroEditorWindow::ScrollStepIntoView(int row) {
  ScrollToRow(Find<QListWidget>(control::kStepList), row);
}

void MacroEditorWindow::ShowStepEditor(const StepEditorPage& page) {
  if (auto* check = Find<QAbstractButton>(control::kStepEditorCheck)) {
    const QSignalBlocker quiet(check);
    check->setChecked(page.open);
  }
  if (auto* pages = Find<QStackedWidget>(control::kStepEditorPages)) {
    pages->setCurrentIndex(page.page);
  }
  if (auto* key = Find<QLineEdit>(control::kKeyEdit)) key->setText(FromUtf8(page.key_name));
  if (auto* combo = Find<QComboBox>(control::kMouseCombo)) {
    const QSignalBlocker quiet(combo);
    combo->setCurrentIndex(page.mouse_index);
  }
  const char* delay_name =
      page.page == control::kMouseStepPage ? control::kMouseDelayEdit : control::kKeyDelayEdit;
  if (auto* delay = Find<QLineEdit>(delay_name)) {
    const QSignalBlocker quiet(delay);
    delay->setText(FromUtf8(page.delay_text));
    delay->setEnabled(page.delay_editable);
  }
  UpdateStepButtons();
}

// Save and cancel belong to the page shown.
void MacroEditorWindow::UpdateStepButtons() {
  auto* pages = Find<QStackedWidget>(control::kStepEditorPages);
  const bool shown = pages && pages->isEnabled() && pages->currentIndex() != control::kNoStepPage;
  for (const char* name : {control::kSaveStep, control::kCancelStep}) {
    if (QWidget* button = Find(name)) button->setEnabled(shown);
  }
}

void MacroEditorWindow::ShowRecordButton(const char* text_key, bool checked) {
  if (auto* button = Find<QAbstractButton>(control::kRecord)) {
    const QSignalBlocker quiet(button);
    button->setText(Text(text_key));
    button->setChecked(checked);
  }
  if (!checked) {
    mute_.reset();
  } else if (!mute_) {
    mute_ = std::make_unique<KeyboardMute>(this);
  }
}

void MacroEditorWindow::ShowDelayMode(int mode) {
  if (mode < 0 || mode >= int(kDelayModeOptions.size())) return;
  if (auto* option = Find<QAbstractButton>(kDelayModeOptions[std::size_t(mode)])) {
    const QSignalBlocker quiet(option);
    option->setChecked(true);
  }
}

void MacroEditorWindow::ShowDefaultDelay(std::string_view text) {
  if (auto* edit = Find<QLineEdit>(control::kDefaultDelayEdit)) {
    const QSignalBlocker quiet(edit);
    edit->setText(FromUtf8(text));
  }
}

void MacroEditorWindow::SetEnabled(std::string_view name, bool enabled) {
  if (QWidget* widget = Find(name)) widget->setEnabled(enabled);
  if (name == control::kStepEditorPages) UpdateStepButtons();
}

bool MacroEditorWindow::ConfirmDelete(std::u16string_view name) {
  return boxes_.Ask(macro_text_key::kWarningTitle, macro_text_key::kDeleteMacro,
                    {Utf16ToUtf8(name)});
}

void MacroEditorWindow::TellSaveFailed(std::string_view reason) {
  const std::filesystem::path folder = StoreFolder(data_folder_);
  boxes_.Tell(macro_text_key::kWarningTitle, macro_text_key::kSaveFailed,
              {folder.string(), ReasonWithoutPath(reason, folder)});
}

void MacroEditorWindow::TellFileFailed(const char* text_key, const std::filesystem::path& file,
                                       std::string_view reason) {
  boxes_.Tell(macro_text_key::kWarningTitle, text_key,
              {file.string(), ReasonWithoutPath(reason, file)});
}

}  // namespace melko::ui
