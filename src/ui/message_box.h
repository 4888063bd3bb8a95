// The modal message box of the skin (msg.ui): a title and a text, both language keys, with OK and
// Cancel. Built on first use and kept. Tests preset the answers so that nothing waits on a modal
// loop; each box asked for is remembered by its text key.
#pragma once

#include <QPointer>
#include <deque>
#include <string>
#include <vector>

#include "shell/shell_ports.h"

#include <QDialog>
class QWidget;

namespace melko::ui {

class QtMessageBoxes final : public MessageBoxes {
 public:
  explicit QtMessageBoxes(QWidget* owner) : owner_(owner) {}
  bool Ask(std::string_view title_key, std::string_view text_key) override;

  // For tests: the next boxes answer these at once instead of showing.
  void PresetAnswers(std::deque<bool> answers) { preset_ = std::move(answers); }
  const std::vector<std::string>& asked() const { return asked_; }
  // The box while it is on screen (for tests that close it themselves).
  QDialog* dialog() const { return dialog_; }

 private:
  QWidget* owner_;
  QPointer<QDialog> dialog_;
  std::deque<bool> preset_;
  std::vector<std::string> asked_;
};

}  // namespace melko::ui
