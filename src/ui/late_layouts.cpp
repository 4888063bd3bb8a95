#include "ui/late_layouts.h"

#include <QLayout>
#include <QWidget>

#include "ui/skin.h"
#include "ui/theme.h"

namespace melko::ui {
namespace {

constexpr const char* kLateLayoutProperty = "lateLayout";

// The last widget before `widget` in the focus chain that Tab can reach, or null.
QWidget* TabStopBefore(QWidget* widget) {
  for (QWidget* before = widget->previousInFocusChain(); before && before != widget;
       before = before->previousInFocusChain()) {
    if (before->focusPolicy() & Qt::TabFocus) return before;
  }
  return nullptr;
}

// A widget made now joins the end of its window's focus chain; its tab stops move to where the
// placeholder was, in the order of the layout file.
void TakeTabPlace(QWidget* built, QWidget* tab_stop_before) {
  if (!tab_stop_before) return;
  QWidget* previous = tab_stop_before;
  for (QWidget* child : built->findChildren<QWidget*>()) {
    if (!(child->focusPolicy() & Qt::TabFocus)) continue;
    QWidget::setTabOrder(previous, child);
    previous = child;
  }
}

}  // namespace

QString LateLayoutFile(const QWidget* widget) {
  return widget->property(kLateLayoutProperty).toString();
}

QWidget* BuildLateLayout(QWidget* placeholder) {
  const QString file = LateLayoutFile(placeholder);
  QWidget* parent = placeholder->parentWidget();
  QLayout* layout = parent ? parent->layout() : nullptr;
  if (file.isEmpty() || !layout) return nullptr;
  QWidget* built = LoadLayout(file, parent);
  if (!built) return nullptr;
  ApplyRoles(built);
  built->hide();
  built->setObjectName(placeholder->objectName());
  delete layout->replaceWidget(placeholder, built);
  TakeTabPlace(built, TabStopBefore(placeholder));
  delete placeholder;
  return built;
}

}  // namespace melko::ui
