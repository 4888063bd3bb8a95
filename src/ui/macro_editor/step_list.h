// The rows of the macro editor's step list, each built from the skin's row template
// (keylistitem.ui) and set on its list item. Rows are kept and refilled: a recording that adds one
// step builds one row, not the whole list. The action column is as wide as the longer of its two
// texts in the language shown, so every row's columns line up; a key name wider than its column
// ends in an ellipsis, and the row's tool tip holds it whole.
#pragma once

#include <memory>
#include <vector>

#include "macros/macro_editor_ports.h"

class QLabel;
class QListWidget;
class QWidget;

namespace melko::ui {

class SvgView;

class StepList {
 public:
  explicit StepList(QListWidget* list);
  ~StepList();
  // The caller blocks the list's signals.
  void Show(const std::vector<StepRow>& rows);
  // The list's width for a row with a key name of about 15 letters, in the list's font.
  int MinimumListWidth();

 private:
  struct Row {
    QLabel* key = nullptr;
    SvgView* key_picture = nullptr;
    QLabel* action = nullptr;
    SvgView* action_picture = nullptr;
    QLabel* delay = nullptr;
  };
  class KeyNameFit;

  void Resize(int count);
  QWidget* MakeRowWidget(Row& row);
  Row MakeRow(int index);
  void Fill(int index, const StepRow& step);

  QListWidget* list_;
  std::vector<Row> rows_;
  std::unique_ptr<KeyNameFit> key_name_fit_;
  int action_width_ = 0;  // of the wider of the two action texts, once known
};

}  // namespace melko::ui
