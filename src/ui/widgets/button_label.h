// One of the mouse's buttons on the page: its number in a badge, and what it does. A text too long
// for the label is shortened with an ellipsis and shown whole in the tool tip. A screen reader
// hears both as its name ("Button 5: Disabled").
#pragma once

#include <QPushButton>

namespace melko::ui {

class ButtonLabel : public QPushButton {
  Q_OBJECT
  Q_PROPERTY(int number READ number WRITE setNumber)
  // A button whose function the page does not change: shown, never highlighted.
  Q_PROPERTY(bool readOnly READ readOnly WRITE setReadOnly)

 public:
  explicit ButtonLabel(QWidget* parent = nullptr);
  int number() const { return number_; }
  void setNumber(int number);
  bool readOnly() const { return read_only_; }
  void setReadOnly(bool read_only);
  // Shows what the button does, and names it for a screen reader by its number and that text.
  void setFunctionText(const QString& function);
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void UpdateAccessibleName();

  int number_ = 0;
  bool read_only_ = false;
};

}  // namespace melko::ui
