#include "ui/dialogs/skin_dialog.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <vector>

#include "ui/skin.h"
#include "ui/theme.h"

namespace melko::ui {
namespace {

class EventWatcher final : public QObject {
 public:
  EventWatcher(QObject* watched, std::initializer_list<QEvent::Type> types,
               std::function<bool(QEvent*)> fn)
      : QObject(watched), types_(types), fn_(std::move(fn)) {
    watched->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    return std::find(types_.begin(), types_.end(), event->type()) != types_.end() && fn_(event);
  }

 private:
  std::vector<QEvent::Type> types_;
  std::function<bool(QEvent*)> fn_;
};

}  // namespace

SkinDialog::SkinDialog(QWidget* owner, QString layout_file)
    : owner_(owner), layout_file_(std::move(layout_file)) {}

SkinDialog::~SkinDialog() {
  delete window_;
}

QDialog* SkinDialog::Load(const std::function<void(QDialog&)>& bind) {
  if (window_) return window_;
  QWidget* root = LoadLayout(layout_file_, owner_);
  window_ = qobject_cast<QDialog*>(root);
  if (!window_) {
    delete root;
    return nullptr;
  }
  window_->setModal(true);
  ApplyRoles(window_);
  bind(*window_);
  return window_;
}

void SkinDialog::ShowCentred() {
  if (!window_) return;
  window_->adjustSize();
  const bool over_owner = owner_ && owner_->isVisible();
  const QScreen* screen = over_owner ? owner_->screen() : QGuiApplication::primaryScreen();
  const QRect area = over_owner ? owner_->frameGeometry() : screen->availableGeometry();
  ShowAt(area.center() - window_->rect().center(), screen->availableGeometry());
}

void SkinDialog::ShowAt(const QPoint& top_left, const QRect& area) {
  if (!window_) return;
  window_->adjustSize();
  const QSize size = window_->frameGeometry().size();
  const int right = std::max(area.left(), area.right() + 1 - size.width());
  const int bottom = std::max(area.top(), area.bottom() + 1 - size.height());
  Show(
      {std::clamp(top_left.x(), area.left(), right), std::clamp(top_left.y(), area.top(), bottom)});
}

void SkinDialog::Show(const QPoint& top_left) {
  window_->setResult(QDialog::Rejected);
  window_->move(top_left);
  window_->show();
  window_->activateWindow();
}

bool SkinDialog::Exec() {
  return window_ && window_->exec() == QDialog::Accepted;
}

void SkinDialog::OnClick(const char* button, std::function<void()> fn) const {
  if (auto* found = Find<QAbstractButton>(button)) {
    QObject::connect(found, &QAbstractButton::clicked, window_, std::move(fn));
  }
}

void WatchEvents(QObject* watched, std::initializer_list<QEvent::Type> types,
                 std::function<bool(QEvent*)> fn) {
  new EventWatcher(watched, types, std::move(fn));
}

}  // namespace melko::ui
