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

// Where the last chooser given no folder was left in this run (only the profile files' choosers
// are given none).
std::filesystem::path& LastFolder() {
  static std::filesystem::path folder;
  return folder;
}

// A chooser given no folder opens where the last one was left, as a desktop's own dialog would,
// and the first time in the home folder: never in the folder the program happened to be started
// from.
std::filesystem::path StartFolder(const std::filesystem::path& folder) {
  if (!folder.empty()) return folder;
  if (!LastFolder().empty()) return LastFolder();
  return QDir::homePath().toStdString();
}

std::optional<std::filesystem::path> Choose(QWidget* owner, FileKind kind,
                                            const std::filesystem::path& folder, bool save) {
  const auto remembered = [&folder](std::filesystem::path chosen) {
    if (folder.empty()) LastFolder() = chosen.parent_path();
    return std::optional(std::move(chosen));
  };
  if (!Preset().empty()) {
    std::filesystem::path answer = Preset().front();
    Preset().pop_front();
    if (answer.empty()) return std::nullopt;
    return remembered(std::move(answer));
  }
  const Filter filter = FilterOf(kind);
  QFileDialog dialog(owner, Text(save ? "export_title_text" : "import_title_text"),
                     QString::fromStdString(StartFolder(folder).string()), filter.description);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::ReadOnly, false);
  if (save) dialog.setDefaultSuffix(filter.suffix);  // and Qt asks before replacing a file
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return remembered(dialog.selectedFiles().front().toStdString());
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
