// The modal message box of the skin (msg.ui): a title and a text, both language keys, with OK and
// Cancel for a question and OK alone for a notice. Built on first use and kept. Tests preset the
// answers so that nothing waits on a modal loop; each box asked for is remembered by its text key.
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
  bool Ask(std::string_view title_key, std::string_view text_key,
           const std::vector<std::string>& arguments = {}) override;
  void Tell(std::string_view title_key, std::string_view text_key,
            const std::vector<std::string>& arguments = {}) override;

  // For tests: the next boxes, questions and notices alike, take these answers at once instead
  // of showing.
  void PresetAnswers(std::deque<bool> answers) { preset_ = std::move(answers); }
  const std::vector<std::string>& asked() const { return asked_; }
  // The text of each box asked for, with its arguments filled in.
  const std::vector<std::string>& texts() const { return texts_; }
  // The box while it is on screen (for tests that close it themselves).
  QDialog* dialog() const { return dialog_; }

 private:
  bool Show(std::string_view title_key, std::string_view text_key,
            const std::vector<std::string>& arguments, bool question);

  QWidget* owner_;
  QPointer<QDialog> dialog_;
  std::deque<bool> preset_;
  std::vector<std::string> asked_;
  std::vector<std::string> texts_;
};

}  // namespace melko::ui
