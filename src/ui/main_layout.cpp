#include "ui/main_layout.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <cstdio>

#include "main_layout_digest.h"
#include "ui/font_warm_up.h"
#include "ui/skin.h"
#include "ui/widgets/busy_ring.h"
#include "ui/widgets/button_label.h"
#include "ui/widgets/colour_button.h"
#include "ui/widgets/device_switch.h"
#include "ui/widgets/section_header.h"
#include "ui/widgets/svg_view.h"

namespace {

// The compiled layout names the program's widgets by the class names the layout file gives them.
using MelkoBusyRing = melko::ui::BusyRing;
using MelkoButtonLabel = melko::ui::ButtonLabel;
using MelkoColourButton = melko::ui::ColourButton;
using MelkoDeviceSwitch = melko::ui::DeviceSwitch;
using MelkoSectionHeader = melko::ui::SectionHeader;
using MelkoSvgView = melko::ui::SvgView;

// The layout's texts are language keys, translated afterwards as every layout's are
// (FinishLayout): the compiled code takes them as they stand.
QString MelkoLayoutText(const char* text, const char*) {
  return QString::fromUtf8(text);
}

}  // namespace

#include "ui_main_layout.h"

namespace melko::ui {

bool IsCompiledMainLayout(const QByteArray& layout) {
  // A digest to recognise the file, not to secure anything.
  return QCryptographicHash::hash(layout, QCryptographicHash::Md5).toHex() ==
         kCompiledMainLayoutMd5;
}

QWidget* LoadMainLayout(QWidget* parent) {
  QFile file(SkinFile(QStringLiteral("main.ui")));
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "melko: cannot read the skin file %s\n", qPrintable(file.fileName()));
    return nullptr;
  }
  QByteArray layout = file.readAll();
  if (!IsCompiledMainLayout(layout)) {
    QBuffer buffer(&layout);
    buffer.open(QIODevice::ReadOnly);
    return LoadLayoutFrom(buffer, file.fileName(), parent);
  }
  // From the first widget on, texts are laid out: the fonts must be ready.
  FinishFontWarmUp();
  auto* page = new QWidget(parent);
  Ui_MainPage().setupUi(page);
  FinishLayout(page);
  return page;
}

}  // namespace melko::ui
