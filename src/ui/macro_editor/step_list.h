// The rows of the macro editor's step list, each built from the skin's row template
// (keylistitem.ui) and set on its list item. Rows are kept and refilled: a recording that adds one
// step builds one row, not the whole list.
#pragma once

#include <vector>

#include "macros/macro_editor_ports.h"

class QLabel;
class QListWidget;

namespace melko::ui {

class SvgView;

class StepList {
 public:
  explicit StepList(QListWidget* list) : list_(list) {}
  // The caller blocks the list's signals.
  void Show(const std::vector<StepRow>& rows);

 private:
  struct Row {
    QLabel* key = nullptr;
    SvgView* key_picture = nullptr;
    QLabel* action = nullptr;
    SvgView* action_picture = nullptr;
    QLabel* delay = nullptr;
  };
  void Resize(int count);
  Row MakeRow(int index);
  void Fill(int index, const StepRow& step);

  QListWidget* list_;
  std::vector<Row> rows_;
};

}  // namespace melko::ui
