#include "ui/macro_editor/step_list.h"

#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <algorithm>

#include "macros/macro_editor_controls.h"
#include "ui/skin.h"
#include "ui/theme.h"
#include "ui/widgets/svg_view.h"

namespace melko::ui {
namespace {

constexpr int kRowHeight = 30;
constexpr const char* kWholeText = "wholeText";

void SetPicture(SvgView* view, const QString& file) {
  if (view && view->file() != file) view->setFile(file);  // each file change parses the picture
}

void SetLabel(QLabel* label, const QString& text) {
  if (label && label->text() != text) label->setText(text);
}

// Shows as much of the label's whole text as its width takes.
void FitKeyName(QLabel* label) {
  const QString whole = label->property(kWholeText).toString();
  // Two pixels spare: a label's text needs its glyphs' extent, a little more than their advance.
  const QString shown =
      label->fontMetrics().elidedText(whole, Qt::ElideRight, label->contentsRect().width() - 2);
  SetLabel(label, shown);
  // The whole name for the eye (the row's tool tip) and for a screen reader.
  label->setAccessibleName(shown == whole ? QString() : whole);
  if (QWidget* row = label->parentWidget()) row->setToolTip(shown == whole ? QString() : whole);
}

}  // namespace

class StepList::KeyNameFit final : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Resize) FitKeyName(static_cast<QLabel*>(watched));
    return false;
  }
};

StepList::StepList(QListWidget* list) : list_(list), key_name_fit_(new KeyNameFit) {}

StepList::~StepList() = default;

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

QWidget* StepList::MakeRowWidget(Row& row) {
  // In the list from the start, so that it measures in the list's font and style.
  QWidget* widget = LoadLayout(QStringLiteral("keylistitem.ui"), list_->viewport());
  if (!widget) return nullptr;
  ApplyRoles(widget);
  row.key = widget->findChild<QLabel*>(QStringLiteral("key"));
  row.key_picture = widget->findChild<SvgView*>(QStringLiteral("key_picture"));
  row.action = widget->findChild<QLabel*>(QStringLiteral("action"));
  row.action_picture = widget->findChild<SvgView*>(QStringLiteral("action_picture"));
  row.delay = widget->findChild<QLabel*>(QStringLiteral("delay"));
  if (row.key) row.key->installEventFilter(key_name_fit_.get());
  if (row.action) {
    if (action_width_ == 0) {
      for (const char* text_key : {macro_text_key::kPress, macro_text_key::kRelease}) {
        row.action->setText(Text(text_key));
        action_width_ = std::max(action_width_, row.action->minimumSizeHint().width());
      }
    }
    row.action->setMinimumWidth(std::max(row.action->minimumWidth(), action_width_));
  }
  return widget;
}

StepList::Row StepList::MakeRow(int index) {
  auto* item = new QListWidgetItem(list_);
  item->setSizeHint(QSize(0, kRowHeight));
  Row row;
  // A skin without the template shows the row as text.
  if (QWidget* widget = MakeRowWidget(row)) list_->setItemWidget(list_->item(index), widget);
  return row;
}

int StepList::MinimumListWidth() {
  if (!list_) return 0;
  Row row;
  std::unique_ptr<QWidget> probe(MakeRowWidget(row));
  if (!probe || !row.key || !row.delay) return 0;
  row.key->setMinimumWidth(row.key->fontMetrics().averageCharWidth() * 15);
  row.delay->setText(QStringLiteral("10000"));
  return probe->minimumSizeHint().width() + list_->verticalScrollBar()->sizeHint().width() +
         2 * list_->frameWidth();
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
  row.key->setProperty(kWholeText, key);
  FitKeyName(row.key);
  SetPicture(row.key_picture, step.mouse_button ? QStringLiteral("img/mouse_small.svg")
                                                : QStringLiteral("img/key.svg"));
  SetLabel(row.action, action);
  SetPicture(row.action_picture,
             step.press ? QStringLiteral("img/press.svg") : QStringLiteral("img/release.svg"));
  SetLabel(row.delay, delay);
}

}  // namespace melko::ui
