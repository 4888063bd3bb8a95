#include "ui/skin.h"

#include <dlfcn.h>

#include <QAbstractButton>
#include <QBuffer>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QWidget>
#include <cstdio>
#include <string>

#include "common/install_paths.h"
#include "common/language.h"
#include "ui/accessible_names.h"
#include "ui/compiled_layouts.h"
#include "ui/font_warm_up.h"
#include "ui/layout_loader_module.h"
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

// The program's own widgets by the class names the layout files give them.
QWidget* MakeOwnWidget(const QString& class_name, QWidget* parent) {
  // The layout file has been read; from the first widget on, texts are laid out.
  FinishFontWarmUp();
  if (class_name == QLatin1String("MelkoSvgView")) return new SvgView(parent);
  if (class_name == QLatin1String("MelkoBusyRing")) return new BusyRing(parent);
  if (class_name == QLatin1String("MelkoColourButton")) return new ColourButton(parent);
  if (class_name == QLatin1String("MelkoDeviceSwitch")) return new DeviceSwitch(parent);
  if (class_name == QLatin1String("MelkoSectionHeader")) return new SectionHeader(parent);
  if (class_name == QLatin1String("MelkoButtonLabel")) return new ButtonLabel(parent);
  if (class_name == QLatin1String("MelkoHueSatPicker")) return new HueSatPicker(parent);
  return nullptr;
}

// The form builder's library, loaded once on first use from the program's library folders: its
// entry point, or why it cannot be loaded.
struct LoadedLayoutLoader {
  LayoutLoaderEntry entry = nullptr;
  std::string failure;
};

const LoadedLayoutLoader& LayoutLoader() {
  static const LoadedLayoutLoader loaded = [] {
    LoadedLayoutLoader result;
    void* module = OpenLibrary(LibraryFolders(), kLayoutLoaderFile, &result.failure);
    if (!module) return result;
    result.entry = reinterpret_cast<LayoutLoaderEntry>(dlsym(module, kLayoutLoaderEntryName));
    if (!result.entry) {
      result.failure = std::string(kLayoutLoaderFile) + " has no entry point";
      dlclose(module);
    }
    return result;
  }();
  return loaded;
}

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
  QByteArray layout = file.readAll();
  if (QWidget* root = BuildCompiledLayout(layout, parent)) {
    FinishLayout(root);
    return root;
  }
  QBuffer buffer(&layout);
  buffer.open(QIODevice::ReadOnly);
  return LoadLayoutFrom(buffer, file.fileName(), parent);
}

QWidget* LoadLayoutFrom(QIODevice& layout, const QString& name, QWidget* parent) {
  const LoadedLayoutLoader& loader = LayoutLoader();
  if (!loader.entry) {
    std::fprintf(stderr, "melko: cannot read the skin file %s: no layout loader (%s)\n",
                 qPrintable(name), loader.failure.c_str());
    return nullptr;
  }
  QString error;
  QWidget* root = loader.entry(layout, parent, QString::fromStdString(DefaultSkinFolder().string()),
                               &MakeOwnWidget, error);
  if (!root) {
    std::fprintf(stderr, "melko: the skin file %s is damaged: %s\n", qPrintable(name),
                 qPrintable(error));
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
