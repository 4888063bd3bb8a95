#include "ui/widgets/section_header.h"

#include <QPainter>
#include <QSvgRenderer>

#include "ui/skin.h"

namespace melko::ui {
namespace {

QSvgRenderer& Chevron(bool open) {
  static QSvgRenderer down(SkinFile(QStringLiteral("img/chevron_down.svg")));
  static QSvgRenderer right(SkinFile(QStringLiteral("img/chevron_right.svg")));
  return open ? down : right;
}

}  // namespace

SectionHeader::SectionHeader(QWidget* parent) : QCheckBox(parent) {
  QFont bold = font();
  bold.setBold(true);
  setFont(bold);
  setCursor(Qt::PointingHandCursor);
}

QSize SectionHeader::sizeHint() const {
  // Layouts ask often; the text and font rarely change.
  if (hint_text_ != text() || hint_font_ != font()) {
    const QFontMetrics metrics(font());
    hint_ = QSize(metrics.horizontalAdvance(text()) + 30, qMax(26, metrics.height() + 10));
    hint_text_ = text();
    hint_font_ = font();
  }
  return hint_;
}

void SectionHeader::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const int middle = height() / 2;
  Chevron(isChecked()).render(&painter, QRectF(0, middle - 8, 16, 16));
  painter.setPen(palette().color(isEnabled() ? QPalette::WindowText : QPalette::Mid));
  const QRect text_area(22, 0, width() - 22, height());
  painter.drawText(text_area, Qt::AlignVCenter | Qt::AlignLeft, text());
  if (hasFocus()) {
    painter.setPen(QPen(palette().color(QPalette::Highlight), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
  }
}

}  // namespace melko::ui
