// The colour dialog (DpiColorDialog.ui) for a DPI stage's colour or the light colour: a
// hue/saturation palette, red, green and blue edits, 16 preset swatches and a preview. It opens
// below the control it was opened from, 200 px to the left of it, and stays on the screen.
#pragma once

#include <cstdint>

#include "ui/dialogs/skin_dialog.h"

class QLineEdit;

namespace melko::ui {

class ColourDialog {
 public:
  explicit ColourDialog(QWidget* owner);

  // Modal. argb (0xAARRGGBB) presets the dialog; on true it holds the chosen colour: opaque, or
  // the preset itself when nothing was changed.
  bool ChooseColour(QWidget* from_control, std::uint32_t& argb);

  // For tests: shows the dialog preset and placed, and returns at once.
  void Open(QWidget* from_control, std::uint32_t argb);
  std::uint32_t colour() const { return current_; }
  QDialog* window() const { return skin_.window(); }
  bool confirmed() const { return skin_.confirmed(); }

 private:
  void Bind(QDialog& window);
  // Makes argb the current colour and shows it on the preview and, when asked, on the palette
  // and in the three edits.
  void Show(std::uint32_t argb, bool on_palette, bool in_edits);
  void OnChannelEdited(int channel, QLineEdit* edit);

  std::uint32_t current_ = 0xFF000000;
  SkinDialog skin_;
};

}  // namespace melko::ui
