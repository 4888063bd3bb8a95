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
  // Read when first drawn: pictures of hidden parts cost nothing at start.
  delete renderer_;
  renderer_ = nullptr;
  updateGeometry();
  update();
}

QSvgRenderer* SvgView::renderer() const {
  if (!renderer_ && !file_.isEmpty()) {
    renderer_ = new QSvgRenderer(SkinFile(file_), const_cast<SvgView*>(this));
  }
  return renderer_;
}

QSize SvgView::sizeHint() const {
  if (minimumSize() == maximumSize() && !minimumSize().isEmpty()) return minimumSize();
  QSvgRenderer* svg = renderer();
  return svg && svg->isValid() ? svg->defaultSize() : QSize(24, 24);
}

void SvgView::paintEvent(QPaintEvent*) {
  QSvgRenderer* svg = renderer();
  if (!svg || !svg->isValid()) return;
  // Centred and scaled to fit, keeping the picture's proportions.
  QSizeF size = svg->viewBoxF().size();
  size.scale(QSizeF(width(), height()), Qt::KeepAspectRatio);
  const QRectF target((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(),
                      size.height());
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  svg->render(&painter, target);
}

}  // namespace melko::ui
