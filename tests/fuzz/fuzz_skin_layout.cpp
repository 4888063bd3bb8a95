// The skin's layout files as the windows load them: the input is a .ui file, built by the skin's
// loader (Qt's form builder, with the program's own widgets) and then gone through by the program's
// own code: language keys replaced by texts, composed controls named, icons drawn from the skin's
// pictures, long list rows given tool tips. What Qt's form builder itself does with the XML is
// Qt's; what we read from the tree it builds is ours.
#include <QApplication>
#include <QBuffer>
#include <QWidget>
#include <cstdlib>

#include "null_ports.h"
#include "ui/skin.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("MELKO_SKIN_DIR", MELKO_SOURCE_DIR "/res", 1);
  setenv("MELKO_LIBRARY_DIR", MELKO_BIN_DIR, 1);  // the layout loader
  // Damaged layouts are expected here: Qt's warnings about them would only slow the run down.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  static QApplication app(*argc, *argv);
  melko::fuzz::InstallEnglishTexts();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  QBuffer layout(&bytes);
  layout.open(QIODevice::ReadOnly);
  delete melko::ui::LoadLayoutFrom(layout, QStringLiteral("fuzz.ui"));
  return 0;
}
