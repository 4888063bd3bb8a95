#include "ui/dialogs/profile_name_dialog.h"

#include <QLabel>
#include <QLineEdit>

#include "shell/dialog_logic.h"
#include "ui/dialogs/name_edit.h"
#include "ui/skin.h"

namespace melko::ui {
namespace {

constexpr int kMaxNameUnits = 99;  // what the profile record keeps

}  // namespace

ProfileNameDialog::ProfileNameDialog(QWidget* owner)
    : skin_(owner, QStringLiteral("MS/MS_1/profilename.ui")) {}

bool ProfileNameDialog::AskProfileName(std::string_view title_key,
                                       const std::vector<std::u16string>& taken,
                                       std::u16string& name) {
  Open(title_key, taken, name);
  if (!skin_.Exec()) return false;
  name = accepted_;
  return true;
}

void ProfileNameDialog::Open(std::string_view title_key, const std::vector<std::u16string>& taken,
                             const std::u16string& name) {
  QDialog* window = skin_.Load([this](QDialog& loaded) { Bind(loaded); });
  if (!window) return;
  taken_ = taken;
  accepted_.clear();
  const QString title = Text(std::string(title_key).c_str());
  window->setWindowTitle(title);
  if (auto* label = skin_.Find<QLabel>("title_string")) label->setText(title);
  if (auto* edit = skin_.Find<QLineEdit>("edit_name")) {
    edit->setText(QString::fromStdU16String(name));
    edit->selectAll();
    edit->setFocus();
  }
  skin_.ShowCentred();
}

void ProfileNameDialog::Bind(QDialog& window) {
  boxes_ = std::make_unique<QtMessageBoxes>(&window);
  LimitName(skin_.Find<QLineEdit>("edit_name"), kMaxNameUnits);
  skin_.OnClick("btn_ok", [this] { Confirm(); });
  skin_.OnClick("btn_cancel", [&window] { window.reject(); });
  skin_.OnClick("btn_exit", [&window] { window.reject(); });
}

void ProfileNameDialog::Confirm() {
  auto* edit = skin_.Find<QLineEdit>("edit_name");
  if (!edit) return;
  const std::u16string name = edit->text().toStdU16String();
  const std::string refusal = ProfileNameRefusal(name, taken_);
  if (!refusal.empty()) {
    boxes_->Tell("warning_title_text", refusal);
    edit->setFocus();
    return;
  }
  accepted_ = name;
  skin_.window()->accept();
}

}  // namespace melko::ui
