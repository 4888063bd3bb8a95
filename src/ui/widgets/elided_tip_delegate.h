// Rows of a list that are too narrow for their text show it shortened with "…"; this delegate
// shows such a row's whole text in its tool tip, and no tool tip where the text fits.
#pragma once

#include <QStyledItemDelegate>

class QWidget;

namespace melko::ui {

class ElidedTipDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;
};

// Gives every list under `root` that draws its rows itself the delegate above.
void ShowElidedRowsInToolTips(QWidget* root);

}  // namespace melko::ui
