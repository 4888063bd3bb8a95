#include "ui/layout_loader_module.h"

#include <QCoreApplication>
#include <QDir>
#include <QUiLoader>
#include <QWidget>
#include <type_traits>

namespace {

// Makes the program's own widgets through the program, everything else as Qt's loader does.
class SkinLoader final : public QUiLoader {
 public:
  SkinLoader(const QString& working_folder, melko::ui::OwnWidgetMaker make_own_widget)
      : make_own_widget_(make_own_widget) {
    clearPluginPaths();
    setWorkingDirectory(QDir(working_folder));
  }
  QWidget* createWidget(const QString& class_name, QWidget* parent, const QString& name) override {
    QWidget* widget = make_own_widget_(class_name, parent);
    if (!widget) return QUiLoader::createWidget(class_name, parent, name);
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

 private:
  melko::ui::OwnWidgetMaker make_own_widget_;
};

}  // namespace

extern "C" QWidget* melko_build_layout(QIODevice& layout, QWidget* parent,
                                       const QString& working_folder,
                                       melko::ui::OwnWidgetMaker make_own_widget, QString& error) {
  // The loader's constructor looks through the library paths for designer plugins (one of them
  // pulls in all of Qt Quick); the skin needs none, so the loader is made with no paths to search.
  const QStringList library_paths = QCoreApplication::libraryPaths();
  QCoreApplication::setLibraryPaths({});
  SkinLoader loader(working_folder, make_own_widget);
  QCoreApplication::setLibraryPaths(library_paths);
  QWidget* root = loader.load(&layout, parent);
  if (root && !loader.unknown_layout.isEmpty()) {
    error = QStringLiteral("no layout class ") + loader.unknown_layout;
    delete root;
    return nullptr;
  }
  if (!root) error = loader.errorString();
  return root;
}

// The entry point has the type the program calls it through.
static_assert(std::is_same_v<decltype(&melko_build_layout), melko::ui::LayoutLoaderEntry>);
