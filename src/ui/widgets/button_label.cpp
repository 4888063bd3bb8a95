#include "ui/widgets/button_label.h"

#include <QPainter>
#include <string>

#include "common/language.h"

namespace melko::ui {
namespace {

constexpr int kBadge = 18;
constexpr int kPadding = 6;
// The room for the text, in average characters: the grid keeps its size whatever a button does
// (a macro's name of 23 characters would otherwise widen it past the window).
constexpr int kTextRoom = 13;

}  // namespace

ButtonLabel::ButtonLabel(QWidget* parent) : QPushButton(parent) {
  setCursor(Qt::PointingHandCursor);
  // A push button never goes below its size hint; the grid gives way instead (down to the badge
  // and a few letters, the function shortened), so that larger text never pushes the settings
  // column past the window's fixed width.
  setSizePolicy(QSizePolicy::Preferred, sizePolicy().verticalPolicy());
}

void ButtonLabel::setNumber(int number) {
  number_ = number;
  UpdateAccessibleName();
  update();
}

void ButtonLabel::setFunctionText(const QString& function) {
  setText(function);
  UpdateAccessibleName();
}

void ButtonLabel::UpdateAccessibleName() {
  const std::string number = std::to_string(number_);
  // A function without a name of its own is drawn as a dash; the name leaves it out.
  setAccessibleName(QString::fromStdString(
      text().isEmpty()
          ? melko::text("access_button_text", {number})
          : melko::text("access_button_function_text", {number, text().toStdString()})));
}

void ButtonLabel::setReadOnly(bool read_only) {
  read_only_ = read_only;
  setCursor(read_only ? Qt::ArrowCursor : Qt::PointingHandCursor);
  update();
}

QSize ButtonLabel::sizeHint() const {
  const QFontMetrics metrics(font());
  // Measured on Latin letters: a font made for Chinese averages over its wide glyphs, and the grid
  // grew past the window's width in that language.
  const int letter = metrics.horizontalAdvance(QStringLiteral("abcdefghijklmnopqrstuvwxyz")) / 26;
  return {kPadding + kBadge + kPadding + letter * kTextRoom + kPadding,
          qMax(kBadge + 8, metrics.height() + 10)};
}

QSize ButtonLabel::minimumSizeHint() const {
  return {kPadding * 3 + kBadge + 40, sizeHint().height()};
}

void ButtonLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QPalette& colours = palette();
  const bool lit = isEnabled() && !read_only_ && (underMouse() || hasFocus() || isDown());
  painter.setPen(QPen(colours.color(lit ? QPalette::Highlight : QPalette::Mid), 1));
  painter.setBrush(colours.color(read_only_ ? QPalette::Base
                                 : isDown() ? QPalette::Midlight
                                            : QPalette::Button));
  painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);

  const QRectF badge(kPadding, (height() - kBadge) / 2.0, kBadge, kBadge);
  painter.setPen(QPen(colours.color(QPalette::Highlight), 1.5));
  painter.setBrush(colours.color(QPalette::Dark));
  painter.drawEllipse(badge.adjusted(0.75, 0.75, -0.75, -0.75));
  QFont small = font();
  small.setPointSizeF(font().pointSizeF() * 0.8);
  small.setBold(true);
  painter.setFont(small);
  painter.setPen(colours.color(QPalette::ButtonText));
  painter.drawText(badge, Qt::AlignCenter, QString::number(number_));

  painter.setFont(font());
  painter.setPen(colours.color(isEnabled() ? QPalette::ButtonText : QPalette::Mid));
  const QRect text_area(int(badge.right()) + kPadding, 0,
                        width() - int(badge.right()) - 2 * kPadding, height());
  const QString shown = QFontMetrics(font()).elidedText(text(), Qt::ElideRight, text_area.width());
  if (shown.isEmpty()) {
    // A function without a name of its own (the mouse's factory functions): a dash, not a gap.
    painter.setPen(colours.color(QPalette::Mid));
    painter.drawText(text_area, Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("\u2014"));
  }
  painter.drawText(text_area, Qt::AlignVCenter | Qt::AlignLeft, shown);
  // A shortened text is readable whole in the tool tip.
  const QString tip = shown == text() ? QString() : text();
  if (toolTip() != tip) setToolTip(tip);
}

}  // namespace melko::ui
