#include "ui/dialogs/colour_dialog.h"

#include <QLineEdit>
#include <QScreen>

#include "shell/dialog_logic.h"
#include "ui/widgets/colour_button.h"
#include "ui/widgets/hue_sat_picker.h"

namespace melko::ui {
namespace {

constexpr const char* kChannelEdits[] = {"r_edit", "g_edit", "b_edit"};
// How far left of the control the dialog opens.
constexpr int kLeftOfControl = 200;

int Channel(std::uint32_t argb, int channel) {
  return int((argb >> (16 - 8 * channel)) & 0xFF);
}

}  // namespace

ColourDialog::ColourDialog(QWidget* owner) : skin_(owner, QStringLiteral("DpiColorDialog.ui")) {}

bool ColourDialog::ChooseColour(QWidget* from_control, std::uint32_t& argb) {
  Open(from_control, argb);
  if (!skin_.Exec()) return false;
  argb = current_;
  return true;
}

void ColourDialog::Open(QWidget* from_control, std::uint32_t argb) {
  if (!skin_.Load([this](QDialog& window) { Bind(window); })) return;
  Show(argb, true, true);
  if (!from_control) return skin_.ShowCentred();
  const QPoint below = from_control->mapToGlobal(QPoint(0, from_control->height()));
  skin_.ShowAt(below - QPoint(kLeftOfControl, 0), from_control->screen()->availableGeometry());
}

void ColourDialog::Bind(QDialog& window) {
  if (auto* palette = skin_.Find<HueSatPicker>("ColorPallet")) {
    const auto picked = [this](const QColor& colour) {
      Show(0xFF000000u | colour.rgb(), false, true);
    };
    QObject::connect(palette, &HueSatPicker::colourChanged, &window, picked);
    QObject::connect(palette, &HueSatPicker::colourReleased, &window, picked);
  }
  for (int channel = 0; channel < 3; ++channel) {
    if (auto* edit = skin_.Find<QLineEdit>(kChannelEdits[channel])) {
      QObject::connect(edit, &QLineEdit::textEdited, &window,
                       [this, channel, edit] { OnChannelEdited(channel, edit); });
    }
  }
  const std::vector<std::uint32_t>& swatches = ColourSwatches();
  for (std::size_t i = 0; i < swatches.size(); ++i) {
    const QByteArray name = "mouse_dpi_color_" + QByteArray::number(qsizetype(i + 1));
    auto* swatch = skin_.Find<ColourButton>(name.constData());
    if (!swatch) continue;
    swatch->setColour(QColor::fromRgb(swatches[i]));
    QObject::connect(swatch, &QAbstractButton::clicked, &window,
                     [this, argb = swatches[i]] { Show(argb, true, true); });
  }
  skin_.OnClick("confirm_btn", [&window] { window.accept(); });
  skin_.OnClick("cancel_btn", [&window] { window.reject(); });
}

void ColourDialog::Show(std::uint32_t argb, bool on_palette, bool in_edits) {
  current_ = argb;
  const QColor colour = QColor::fromRgb(argb);  // shown opaque whatever the preset's alpha
  if (auto* preview = skin_.Find<QWidget>("color_show_control")) {
    QPalette palette = preview->palette();
    palette.setColor(QPalette::Window, colour);
    preview->setPalette(palette);
    preview->setAutoFillBackground(true);
  }
  if (auto* palette = skin_.Find<HueSatPicker>("ColorPallet"); palette && on_palette) {
    palette->setColour(colour);
  }
  for (int channel = 0; channel < 3 && in_edits; ++channel) {
    if (auto* edit = skin_.Find<QLineEdit>(kChannelEdits[channel])) {
      edit->setText(QString::number(Channel(argb, channel)));
    }
  }
}

void ColourDialog::OnChannelEdited(int channel, QLineEdit* edit) {
  const ChannelValue value = ParseChannel(edit->text().toStdString());
  if (value.corrected) edit->setText(QString::number(value.value));
  Show(WithChannel(current_, channel, value.value), true, false);
}

}  // namespace melko::ui
