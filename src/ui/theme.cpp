#include "ui/theme.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>
#include <QWidget>

#include "ui/option_indicator_style.h"

namespace melko::ui {
namespace {

// The colours of the skin's pictures.
const QColor kBackground(0x15, 0x17, 0x1c);
const QColor kPanel(0x1e, 0x21, 0x28);
const QColor kRaised(0x27, 0x2b, 0x33);
const QColor kLines(0x34, 0x3a, 0x44);
const QColor kText(0xe7, 0xe9, 0xee);
const QColor kSecondaryText(0x9a, 0xa3, 0xae);
const QColor kDisabledText(0x5c, 0x63, 0x6e);
const QColor kAccent(0x25, 0xd0, 0xc4);
const QColor kOnAccent(0x0d, 0x11, 0x14);
const QColor kWarning(0xf5, 0xa5, 0x24);

QPalette DarkPalette() {
  QPalette palette;
  palette.setColor(QPalette::Window, kBackground);
  palette.setColor(QPalette::WindowText, kText);
  palette.setColor(QPalette::Base, kPanel);
  palette.setColor(QPalette::AlternateBase, kRaised);
  palette.setColor(QPalette::Text, kText);
  palette.setColor(QPalette::PlaceholderText, kSecondaryText);
  palette.setColor(QPalette::Button, kRaised);
  palette.setColor(QPalette::ButtonText, kText);
  palette.setColor(QPalette::BrightText, Qt::white);
  palette.setColor(QPalette::Highlight, kAccent);
  palette.setColor(QPalette::HighlightedText, kOnAccent);
  palette.setColor(QPalette::Link, kAccent);
  palette.setColor(QPalette::ToolTipBase, kRaised);
  palette.setColor(QPalette::ToolTipText, kText);
  palette.setColor(QPalette::Light, QColor(0x3a, 0x40, 0x4b));
  palette.setColor(QPalette::Midlight, QColor(0x2f, 0x34, 0x3d));
  palette.setColor(QPalette::Mid, kLines);
  palette.setColor(QPalette::Dark, QColor(0x0f, 0x11, 0x15));
  palette.setColor(QPalette::Shadow, Qt::black);
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Disabled, role, kDisabledText);
  }
  palette.setColor(QPalette::Disabled, QPalette::Highlight, kLines);
  return palette;
}

void ApplyRole(QWidget* widget, const QString& role) {
  QPalette palette = widget->palette();
  if (role == QLatin1String("header") || role == QLatin1String("panel")) {
    palette.setColor(QPalette::Window, kPanel);
    widget->setAutoFillBackground(true);
  } else if (role == QLatin1String("accent")) {
    palette.setColor(QPalette::Button, kAccent);
    palette.setColor(QPalette::ButtonText, kOnAccent);
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
  } else if (role == QLatin1String("secondary")) {
    palette.setColor(QPalette::WindowText, kSecondaryText);
    palette.setColor(QPalette::Text, kSecondaryText);
  } else if (role == QLatin1String("warning")) {
    palette.setColor(QPalette::WindowText, kWarning);
  } else if (role == QLatin1String("title")) {
    QFont font = widget->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.25);
    widget->setFont(font);
  } else if (role == QLatin1String("value")) {
    QFont font = widget->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    font.setBold(true);
    widget->setFont(font);
  }
  widget->setPalette(palette);
}

}  // namespace

void ApplyTheme(QApplication& app) {
  app.setStyle(new OptionIndicatorStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
  app.setPalette(DarkPalette());
}

void ApplyRoles(QWidget* root) {
  const auto apply = [](QWidget* widget) {
    const QVariant role = widget->property("role");
    if (role.isValid()) ApplyRole(widget, role.toString());
  };
  apply(root);
  for (QWidget* widget : root->findChildren<QWidget*>()) apply(widget);
}

}  // namespace melko::ui
