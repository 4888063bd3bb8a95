// The style of the whole program: Fusion, with round option indicators drawn in the palette's
// accent. Fusion's own mark is a grey dot a little lighter than the base, which a dark palette
// leaves barely visible; here the chosen option's ring and dot are in the accent, and the ring of
// an option not chosen in the secondary text colour.
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
};

}  // namespace melko::ui
