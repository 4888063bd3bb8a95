// The header of a settings section: a chevron and a title; checked, its section is shown.
#pragma once

#include <QCheckBox>

namespace melko::ui {

class SectionHeader : public QCheckBox {
  Q_OBJECT

 public:
  explicit SectionHeader(QWidget* parent = nullptr);
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& position) const override { return rect().contains(position); }

 private:
  mutable QSize hint_;
  mutable QString hint_text_;
  mutable QFont hint_font_;
};

}  // namespace melko::ui
