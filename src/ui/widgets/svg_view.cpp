#include "ui/widgets/svg_view.h"

#include <QPainter>
#include <QSvgRenderer>

#include "ui/skin.h"

namespace melko::ui {

SvgView::SvgView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TranslucentBackground);
}

SvgView::~SvgView() = default;

void SvgView::setFile(const QString& file) {
  file_ = file;
  delete renderer_;
  renderer_ = new QSvgRenderer(SkinFile(file), this);
  updateGeometry();
  update();
}

QSize SvgView::sizeHint() const {
  return renderer_ && renderer_->isValid() ? renderer_->defaultSize() : QSize(24, 24);
}

void SvgView::paintEvent(QPaintEvent*) {
  if (!renderer_ || !renderer_->isValid()) return;
  // Centred and scaled to fit, keeping the picture's proportions.
  QSizeF size = renderer_->viewBoxF().size();
  size.scale(QSizeF(width(), height()), Qt::KeepAspectRatio);
  const QRectF target((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(),
                      size.height());
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer_->render(&painter, target);
}

}  // namespace melko::ui
