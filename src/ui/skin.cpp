#include "ui/skin.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QUiLoader>
#include <QWidget>
#include <cstdio>

#include "common/install_paths.h"
#include "common/language.h"
#include "ui/accessible_names.h"
#include "ui/font_warm_up.h"
#include "ui/widgets/busy_ring.h"
#include "ui/widgets/button_label.h"
#include "ui/widgets/colour_button.h"
#include "ui/widgets/device_switch.h"
#include "ui/widgets/elided_tip_delegate.h"
#include "ui/widgets/hue_sat_picker.h"
#include "ui/widgets/section_header.h"
#include "ui/widgets/svg_icon.h"
#include "ui/widgets/svg_view.h"

namespace melko::ui {
namespace {

// Creates the program's own widgets by class name; everything else as Qt's loader does.
class SkinLoader final : public QUiLoader {
 public:
  SkinLoader() {
    // Qt's designer plugins (one pulls in all of Qt Quick) would cost start-up time for nothing.
    clearPluginPaths();
    setWorkingDirectory(QDir(QString::fromStdString(DefaultSkinFolder().string())));
  }
  QWidget* createWidget(const QString& class_name, QWidget* parent, const QString& name) override {
    // The layout file has been read; from the first widget on, texts are laid out.
    FinishFontWarmUp();
    QWidget* widget = nullptr;
    if (class_name == QLatin1String("MelkoSvgView")) {
      widget = new SvgView(parent);
    } else if (class_name == QLatin1String("MelkoBusyRing")) {
      widget = new BusyRing(parent);
    } else if (class_name == QLatin1String("MelkoColourButton")) {
      widget = new ColourButton(parent);
    } else if (class_name == QLatin1String("MelkoDeviceSwitch")) {
      widget = new DeviceSwitch(parent);
    } else if (class_name == QLatin1String("MelkoSectionHeader")) {
      widget = new SectionHeader(parent);
    } else if (class_name == QLatin1String("MelkoButtonLabel")) {
      widget = new ButtonLabel(parent);
    } else if (class_name == QLatin1String("MelkoHueSatPicker")) {
      widget = new HueSatPicker(parent);
    } else {
      return QUiLoader::createWidget(class_name, parent, name);
    }
    widget->setObjectName(name);
    return widget;
  }
  // Qt's form builder goes on with a layout it could not make and crashes on it: an unknown
  // layout class gets a stand-in, and the file is refused once loaded.
  QLayout* createLayout(const QString& class_name, QObject* parent, const QString& name) override {
    if (QLayout* layout = QUiLoader::createLayout(class_name, parent, name)) return layout;
    if (unknown_layout.isEmpty()) unknown_layout = class_name;
    return QUiLoader::createLayout(QStringLiteral("QVBoxLayout"), parent, name);
  }
  QString unknown_layout;
};

bool IsKey(const QString& text) {
  return !text.isEmpty() && CurrentLanguage().Has(text.toStdString());
}

QString Translated(const QString& text) {
  return QString::fromStdString(CurrentLanguage().Text(text.toStdString()));
}

void TranslateOne(QWidget* widget) {
  if (auto* label = qobject_cast<QLabel*>(widget); label && IsKey(label->text())) {
    label->setProperty("textKey", label->text());
    label->setText(Translated(label->text()));
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget);
             button && IsKey(button->text())) {
    button->setProperty("textKey", button->text());
    button->setText(Translated(button->text()));
  } else if (auto* box = qobject_cast<QGroupBox*>(widget); box && IsKey(box->title())) {
    box->setTitle(Translated(box->title()));
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget);
             edit && IsKey(edit->placeholderText())) {
    edit->setPlaceholderText(Translated(edit->placeholderText()));
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    for (int i = 0; i < combo->count(); ++i) {
      if (IsKey(combo->itemText(i))) combo->setItemText(i, Translated(combo->itemText(i)));
    }
  }
  if (IsKey(widget->toolTip())) widget->setToolTip(Translated(widget->toolTip()));
  if (IsKey(widget->accessibleName())) {
    widget->setAccessibleName(Translated(widget->accessibleName()));
  }
  if (widget->isWindow() && IsKey(widget->windowTitle())) {
    widget->setWindowTitle(Translated(widget->windowTitle()));
  }
}

}  // namespace

QString SkinFile(const QString& relative_path) {
  return QString::fromStdString((DefaultSkinFolder() / relative_path.toStdString()).string());
}

QWidget* LoadLayout(const QString& relative_path, QWidget* parent) {
  QFile file(SkinFile(relative_path));
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "melko: cannot read the skin file %s\n", qPrintable(file.fileName()));
    return nullptr;
  }
  return LoadLayoutFrom(file, file.fileName(), parent);
}

QWidget* LoadLayoutFrom(QIODevice& layout, const QString& name, QWidget* parent) {
  // The loader's constructor looks through the library paths for designer plugins (one of them
  // pulls in all of Qt Quick); the skin needs none, so the loader is made with no paths to search.
  const QStringList library_paths = QCoreApplication::libraryPaths();
  QCoreApplication::setLibraryPaths({});
  SkinLoader loader;
  QCoreApplication::setLibraryPaths(library_paths);
  QWidget* root = loader.load(&layout, parent);
  if (root && !loader.unknown_layout.isEmpty()) {
    std::fprintf(stderr, "melko: the skin file %s is damaged: no layout class %s\n",
                 qPrintable(name), qPrintable(loader.unknown_layout));
    delete root;
    return nullptr;
  }
  if (!root) {
    std::fprintf(stderr, "melko: the skin file %s is damaged: %s\n", qPrintable(name),
                 qPrintable(loader.errorString()));
    return nullptr;
  }
  FinishLayout(root);
  return root;
}

void FinishLayout(QWidget* root) {
  TranslateTexts(root);
  NameComposedControls(root);
  ApplySvgIcons(root);
  ShowElidedRowsInToolTips(root);
}

void TranslateTexts(QWidget* root) {
  TranslateOne(root);
  for (QWidget* child : root->findChildren<QWidget*>()) TranslateOne(child);
}

QString Text(const char* key) {
  return QString::fromStdString(text(key));
}

}  // namespace melko::ui
