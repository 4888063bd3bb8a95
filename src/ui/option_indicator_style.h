// The style of the whole program: Fusion, with option and check box indicators drawn in the
// palette's accent. Fusion's own marks are grey, a little lighter than the base, which a dark
// palette leaves barely visible; here a chosen option's ring and dot, and a ticked box, are in the
// accent, and the ring of one not chosen in the secondary text colour. A progress bar's groove and
// filled part are drawn once per size, value and palette and then copied: Fusion strokes its
// lines anew on every paint, which the charging animation would pay for on every step.
#pragma once

#include <QProxyStyle>

namespace melko::ui {

class OptionIndicatorStyle : public QProxyStyle {
  Q_OBJECT

 public:
  // Takes ownership of `base`.
  explicit OptionIndicatorStyle(QStyle* base);

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget = nullptr) const override;
};

}  // namespace melko::ui
