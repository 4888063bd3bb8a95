// The file choosers of profile and macro files: Qt's file dialog with one filter each ("Profile
// File (*.pro *.PRO)", "Macro File (*.macro *.MACRO)"), the right default suffix when saving, and
// a confirmation before a file is replaced. Tests set the next answer instead of showing the
// dialog, so that nothing waits on a modal loop.
#pragma once

#include <QString>
#include <deque>
#include <filesystem>
#include <optional>

#include "shell/page_ports.h"

class QWidget;

namespace melko::ui {

// Starts in folder when it is given (the macro files start in the data folder), otherwise where
// the last chooser given none was left in this run, or in the home folder.
std::optional<std::filesystem::path> ChooseFileToOpen(QWidget* owner, FileKind kind,
                                                      const std::filesystem::path& folder = {});
std::optional<std::filesystem::path> ChooseFileToSave(QWidget* owner, FileKind kind,
                                                      const std::filesystem::path& folder = {});

// For tests: the next choosers answer these at once (an empty path stands for a cancel).
void PresetFileAnswers(std::deque<std::filesystem::path> answers);

}  // namespace melko::ui
