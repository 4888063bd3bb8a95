#include "ui/macro_editor/step_list.h"

#include <QLabel>
#include <QListWidget>

#include "ui/skin.h"
#include "ui/theme.h"
#include "ui/widgets/svg_view.h"

namespace melko::ui {
namespace {

constexpr int kRowHeight = 30;

void SetPicture(SvgView* view, const QString& file) {
  if (view && view->file() != file) view->setFile(file);  // each file change parses the picture
}

void SetLabel(QLabel* label, const QString& text) {
  if (label && label->text() != text) label->setText(text);
}

}  // namespace

void StepList::Show(const std::vector<StepRow>& rows) {
  if (!list_) return;
  Resize(int(rows.size()));
  for (int i = 0; i < int(rows.size()); ++i) Fill(i, rows[std::size_t(i)]);
}

void StepList::Resize(int count) {
  while (list_->count() > count) delete list_->takeItem(list_->count() - 1);
  rows_.resize(std::size_t(list_->count()));
  while (list_->count() < count) rows_.push_back(MakeRow(list_->count()));
}

StepList::Row StepList::MakeRow(int index) {
  auto* item = new QListWidgetItem(list_);
  item->setSizeHint(QSize(0, kRowHeight));
  QWidget* widget = LoadLayout(QStringLiteral("keylistitem.ui"));
  Row row;
  if (!widget) return row;  // a skin without the template shows the row as text
  ApplyRoles(widget);
  list_->setItemWidget(list_->item(index), widget);
  row.key = widget->findChild<QLabel*>(QStringLiteral("key"));
  row.key_picture = widget->findChild<SvgView*>(QStringLiteral("key_picture"));
  row.action = widget->findChild<QLabel*>(QStringLiteral("action"));
  row.action_picture = widget->findChild<SvgView*>(QStringLiteral("action_picture"));
  row.delay = widget->findChild<QLabel*>(QStringLiteral("delay"));
  return row;
}

void StepList::Fill(int index, const StepRow& step) {
  const QString key = QString::fromStdString(step.key_name);
  const QString action = step.action_text_key ? Text(step.action_text_key) : QString();
  const QString delay = QString::fromStdString(step.delay_text);
  const Row& row = rows_[std::size_t(index)];
  if (!row.key) {
    list_->item(index)->setText(key + QLatin1Char(' ') + action + QLatin1Char(' ') + delay);
    return;
  }
  SetLabel(row.key, key);
  SetPicture(row.key_picture, step.mouse_button ? QStringLiteral("img/mouse_small.svg")
                                                : QStringLiteral("img/key.svg"));
  SetLabel(row.action, action);
  SetPicture(row.action_picture,
             step.press ? QStringLiteral("img/press.svg") : QStringLiteral("img/release.svg"));
  SetLabel(row.delay, delay);
}

}  // namespace melko::ui
