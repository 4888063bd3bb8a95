#include "ui/file_dialogs.h"

#include <QDir>
#include <QFileDialog>

#include "ui/skin.h"

namespace melko::ui {
namespace {

std::deque<std::filesystem::path>& Preset() {
  static std::deque<std::filesystem::path> answers;
  return answers;
}

struct Filter {
  QString description;
  QString suffix;
};

Filter FilterOf(FileKind kind) {
  if (kind == FileKind::kProfile) {
    return {Text("profile_file_text") + QStringLiteral(" (*.pro *.PRO)"), QStringLiteral("pro")};
  }
  return {Text("macro_file_text") + QStringLiteral(" (*.macro *.MACRO)"), QStringLiteral("macro")};
}

// The folder of the last file of each kind chosen in this run.
std::filesystem::path& LastFolder(FileKind kind) {
  static std::filesystem::path profile_folder;
  static std::filesystem::path macro_folder;
  return kind == FileKind::kProfile ? profile_folder : macro_folder;
}

// A chooser given no folder opens where the last one of its kind was left, as a desktop's own
// dialog would, and the first time in the home folder: never in the folder the program happened
// to be started from.
std::filesystem::path StartFolder(FileKind kind, const std::filesystem::path& folder) {
  if (!folder.empty()) return folder;
  if (!LastFolder(kind).empty()) return LastFolder(kind);
  return QDir::homePath().toStdString();
}

std::optional<std::filesystem::path> Remembered(FileKind kind, std::filesystem::path chosen) {
  LastFolder(kind) = chosen.parent_path();
  return chosen;
}

std::optional<std::filesystem::path> Choose(QWidget* owner, FileKind kind,
                                            const std::filesystem::path& folder, bool save) {
  if (!Preset().empty()) {
    std::filesystem::path answer = Preset().front();
    Preset().pop_front();
    if (answer.empty()) return std::nullopt;
    return Remembered(kind, std::move(answer));
  }
  const Filter filter = FilterOf(kind);
  QFileDialog dialog(owner, Text(save ? "export_title_text" : "import_title_text"),
                     QString::fromStdString(StartFolder(kind, folder).string()),
                     filter.description);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::ReadOnly, false);
  if (save) dialog.setDefaultSuffix(filter.suffix);  // and Qt asks before replacing a file
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return Remembered(kind, dialog.selectedFiles().front().toStdString());
}

}  // namespace

std::optional<std::filesystem::path> ChooseFileToOpen(QWidget* owner, FileKind kind,
                                                      const std::filesystem::path& folder) {
  return Choose(owner, kind, folder, false);
}

std::optional<std::filesystem::path> ChooseFileToSave(QWidget* owner, FileKind kind,
                                                      const std::filesystem::path& folder) {
  return Choose(owner, kind, folder, true);
}

void PresetFileAnswers(std::deque<std::filesystem::path> answers) {
  Preset() = std::move(answers);
}

}  // namespace melko::ui
