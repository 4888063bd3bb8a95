#include "ui/message_box.h"

#include <QAbstractButton>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include "common/language.h"
#include "ui/skin.h"
#include "ui/theme.h"

namespace melko::ui {

bool QtMessageBoxes::Ask(std::string_view title_key, std::string_view text_key,
                         const std::vector<std::string>& arguments) {
  return Show(title_key, text_key, arguments, true);
}

void QtMessageBoxes::Tell(std::string_view title_key, std::string_view text_key,
                          const std::vector<std::string>& arguments) {
  Show(title_key, text_key, arguments, false);
}

bool QtMessageBoxes::Show(std::string_view title_key, std::string_view text_key,
                          const std::vector<std::string>& arguments, bool question) {
  const std::string body = text(text_key, arguments);
  asked_.emplace_back(text_key);
  texts_.push_back(body);
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
  const QString title = QString::fromStdString(text(title_key));
  if (auto* label = dialog_->findChild<QLabel*>(QStringLiteral("warning_title"))) {
    label->setTextFormat(Qt::PlainText);
    label->setText(title);
  }
  // Names and reasons are shown as typed, never read as markup.
  if (auto* label = dialog_->findChild<QLabel*>(QStringLiteral("warning"))) {
    label->setTextFormat(Qt::PlainText);
    label->setText(QString::fromStdString(body));
  }
  if (auto* cancel = dialog_->findChild<QAbstractButton*>(QStringLiteral("btn_cancel"))) {
    cancel->setVisible(question);
  }
  dialog_->setWindowTitle(title);
  dialog_->adjustSize();
  // Centred over its owner, or on the screen while the owner is hidden.
  const QRect area = owner_ && owner_->isVisible()
                         ? owner_->frameGeometry()
                         : QGuiApplication::primaryScreen()->availableGeometry();
  dialog_->move(area.center() - dialog_->rect().center());
  return dialog_->exec() == QDialog::Accepted;
}

}  // namespace melko::ui
