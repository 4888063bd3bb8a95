#include "ui/message_box.h"

#include <QAbstractButton>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include "ui/skin.h"
#include "ui/theme.h"

namespace melko::ui {

bool QtMessageBoxes::Ask(std::string_view title_key, std::string_view text_key) {
  asked_.emplace_back(text_key);
  if (!preset_.empty()) {
    const bool answer = preset_.front();
    preset_.pop_front();
    return answer;
  }
  if (!dialog_) {
    dialog_ = qobject_cast<QDialog*>(LoadLayout(QStringLiteral("msg.ui"), owner_));
    if (!dialog_) return false;
    dialog_->setWindowFlag(Qt::Dialog);
    ApplyRoles(dialog_);
    if (auto* ok = dialog_->findChild<QAbstractButton*>(QStringLiteral("btn_ok"))) {
      QObject::connect(ok, &QAbstractButton::clicked, dialog_, &QDialog::accept);
    }
    if (auto* cancel = dialog_->findChild<QAbstractButton*>(QStringLiteral("btn_cancel"))) {
      QObject::connect(cancel, &QAbstractButton::clicked, dialog_, &QDialog::reject);
    }
  }
  const std::string title(title_key);
  const std::string body(text_key);
  if (auto* label = dialog_->findChild<QLabel*>(QStringLiteral("warning_title"))) {
    label->setText(Text(title.c_str()));
  }
  if (auto* label = dialog_->findChild<QLabel*>(QStringLiteral("warning"))) {
    label->setText(Text(body.c_str()));
  }
  dialog_->setWindowTitle(Text(title.c_str()));
  dialog_->adjustSize();
  // Centred over its owner, or on the screen while the owner is hidden.
  const QRect area = owner_ && owner_->isVisible()
                         ? owner_->frameGeometry()
                         : QGuiApplication::primaryScreen()->availableGeometry();
  dialog_->move(area.center() - dialog_->rect().center());
  return dialog_->exec() == QDialog::Accepted;
}

}  // namespace melko::ui
