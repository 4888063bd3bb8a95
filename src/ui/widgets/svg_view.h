// A picture of the skin drawn from its SVG file at whatever size and scale it is shown, so it stays
// sharp on every screen. The file is a path relative to the skin folder ("img/mouse.svg").
#pragma once

#include <QString>
#include <QWidget>

class QSvgRenderer;

namespace melko::ui {

class SvgView : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString file READ file WRITE setFile)

 public:
  explicit SvgView(QWidget* parent = nullptr);
  ~SvgView() override;

  QString file() const { return file_; }
  void setFile(const QString& file);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QSvgRenderer* renderer() const;

  QString file_;
  mutable QSvgRenderer* renderer_ = nullptr;
};

}  // namespace melko::ui
