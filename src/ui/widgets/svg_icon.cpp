#include "ui/widgets/svg_icon.h"

#include <QAbstractButton>
#include <QApplication>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>
#include <memory>

#include "ui/skin.h"

namespace melko::ui {
namespace {

class SvgIconEngine final : public QIconEngine {
 public:
  SvgIconEngine(QString file, QString on_file)
      : off_(std::make_shared<Picture>(std::move(file))),
        on_(on_file.isEmpty() ? off_ : std::make_shared<Picture>(std::move(on_file))) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap rendered = pixmap(rect.size() * scale, mode, state);
    rendered.setDevicePixelRatio(scale);
    painter->drawPixmap(rect.topLeft(), rendered);
  }

  // Any size: the pictures scale.
  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    Picture& picture = state == QIcon::On ? *on_ : *off_;
    if (size.isEmpty()) return {};
    const QString cache_key = QStringLiteral("melko-svg:%1:%2x%3:%4")
                                  .arg(picture.file)
                                  .arg(size.width())
                                  .arg(size.height())
                                  .arg(int(mode));
    QPixmap cached;
    if (QPixmapCache::find(cache_key, &cached)) return cached;
    QPixmap rendered = Render(picture, size);
    if (mode != QIcon::Normal && !rendered.isNull()) {
      // Disabled and selected icons as the style draws them for every other icon.
      QStyleOption option;
      option.palette = QApplication::palette();
      const QPixmap styled = QApplication::style()->generatedIconPixmap(mode, rendered, &option);
      if (!styled.isNull()) rendered = styled;
    }
    QPixmapCache::insert(cache_key, rendered);
    return rendered;
  }

  QIconEngine* clone() const override { return new SvgIconEngine(*this); }
  QString key() const override { return QStringLiteral("melko-svg"); }
  bool isNull() override { return off_->file.isEmpty(); }

 private:
  struct Picture {
    explicit Picture(QString file) : file(std::move(file)) {}
    QString file;
    std::unique_ptr<QSvgRenderer> renderer;  // read when first drawn
  };

  static QPixmap Render(Picture& picture, const QSize& size) {
    if (!picture.renderer)
      picture.renderer = std::make_unique<QSvgRenderer>(SkinFile(picture.file));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (picture.renderer->isValid()) {
      // Centred and scaled to fit, keeping the picture's proportions.
      QSizeF fitted = picture.renderer->viewBoxF().size();
      if (fitted.isEmpty()) fitted = size;
      fitted.scale(QSizeF(size), Qt::KeepAspectRatio);
      QPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing);
      picture.renderer->render(
          &painter, QRectF((size.width() - fitted.width()) / 2,
                           (size.height() - fitted.height()) / 2, fitted.width(), fitted.height()));
    }
    return QPixmap::fromImage(std::move(image));
  }

  // Shared between copies of the icon, which Qt makes freely.
  std::shared_ptr<Picture> off_;
  std::shared_ptr<Picture> on_;
};

}  // namespace

QIcon SvgIcon(const QString& file, const QString& on_file) {
  return QIcon(new SvgIconEngine(file, on_file));
}

void ApplySvgIcons(QWidget* root) {
  QList<QAbstractButton*> buttons = root->findChildren<QAbstractButton*>();
  if (auto* self = qobject_cast<QAbstractButton*>(root)) buttons.append(self);
  for (QAbstractButton* button : buttons) {
    const QString file = button->property("svgIcon").toString();
    if (!file.isEmpty()) button->setIcon(SvgIcon(file, button->property("svgIconOn").toString()));
  }
}

}  // namespace melko::ui
