#include "ui/widgets/elided_tip_delegate.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QListWidget>
#include <QToolTip>

namespace melko::ui {

bool ElidedTipDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                  const QStyleOptionViewItem& option, const QModelIndex& index) {
  // A tool tip of the row's own, if it has one, takes precedence.
  if (event->type() != QEvent::ToolTip || !view || !index.isValid() ||
      index.data(Qt::ToolTipRole).isValid()) {
    return QStyledItemDelegate::helpEvent(event, view, option, index);
  }
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  const QString whole = index.data(Qt::DisplayRole).toString();
  // The style draws the text inside this rectangle less a margin on either side; the part of it
  // outside the view is cut off, not shortened.
  const QRect text_area = view->style()
                              ->subElementRect(QStyle::SE_ItemViewItemText, &item, view)
                              .intersected(view->viewport()->rect());
  const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, &item, view) + 1;
  if (whole.isEmpty() ||
      QFontMetrics(item.font).horizontalAdvance(whole) <= text_area.width() - 2 * margin) {
    QToolTip::hideText();
    event->ignore();
    return true;
  }
  QToolTip::showText(event->globalPos(), whole, view->viewport(), option.rect);
  return true;
}

void ShowElidedRowsInToolTips(QWidget* root) {
  QList<QListWidget*> lists = root->findChildren<QListWidget*>();
  if (auto* list = qobject_cast<QListWidget*>(root)) lists.append(list);
  for (QListWidget* list : lists) list->setItemDelegate(new ElidedTipDelegate(list));
}

}  // namespace melko::ui
