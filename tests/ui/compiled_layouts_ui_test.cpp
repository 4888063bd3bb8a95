// The default skin's layouts compiled into the program against the widgets the layout loader reads
// from the same files.
#include <QBuffer>
#include <QDirIterator>
#include <QFile>
#include <QLayout>
#include <QMetaProperty>
#include <QRegularExpression>
#include <QTest>
#include <memory>

#include "ui/compiled_layouts.h"
#include "ui/skin.h"
#include "ui_tests.h"

namespace melko::ui::test {
namespace {

// Each widget and layout of a shown tree, sorted: its place in the tree, class, stored and added
// properties, and for a widget its size hint as layouts bound it and its place in the window.
QStringList Describe(QWidget& root) {
  QStringList lines;
  QObjectList objects = root.findChildren<QObject*>();
  for (QObject* object : objects << &root) {
    // The loader's own helper, and the margins and spacing it also keeps as properties that Qt
    // never reads: a layout is compared by what it holds.
    if (QByteArray(object->metaObject()->className()).startsWith("QFormInternal::")) continue;
    auto* layout = qobject_cast<QLayout*>(object);
    QString line;
    for (QObject* up = object; up != root.parent(); up = up->parent())
      line.prepend(up->objectName() + QLatin1Char('/'));
    QDebug(&line) << object->metaObject()->className();
    QList<QByteArray> names = layout ? QList<QByteArray>() : object->dynamicPropertyNames();
    for (int i = 0; i < object->metaObject()->propertyCount(); ++i) {
      const QMetaProperty property = object->metaObject()->property(i);
      // Which tree has the focus, and the size hint before the layouts bound it, tell nothing.
      if (property.isStored() &&
          !QByteArrayList{"isActiveWindow", "focus", "sizeHint"}.contains(property.name()))
        names << property.name();
    }
    for (const QByteArray& name : names) QDebug(&line) << name << object->property(name);
    if (layout) QDebug(&line) << layout->contentsMargins() << layout->spacing();
    if (auto* widget = qobject_cast<QWidget*>(object)) {
      QDebug(&line)
          << widget->sizeHint().expandedTo(widget->minimumSize()).boundedTo(widget->maximumSize())
          << widget->mapTo(&root, QPoint());
    }
    // Icons and models are made for each tree anew (what the icons show is the icon test's).
    lines << line.remove(QRegularExpression(QStringLiteral("0x[0-9a-f]+")));
  }
  lines.sort();
  return lines;
}

}  // namespace

class CompiledLayoutsTest : public QObject {
  Q_OBJECT

 private slots:
  void TheCompiledLayoutIsTheLayoutTheFileBuilds_data() {
    QTest::addColumn<QString>("file");
    QDirIterator files(SkinFile(QString()), {QStringLiteral("*.ui")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
      const QString file = files.next();
      QTest::newRow(qPrintable(QDir(SkinFile(QString())).relativeFilePath(file))) << file;
    }
  }
  // Every layout of the skin is compiled in, and builds the widgets the file builds: the same
  // widgets and layouts with the same properties, in the same places. Any other bytes (an edited
  // file, another skin) are read.
  void TheCompiledLayoutIsTheLayoutTheFileBuilds() {
    QFETCH(QString, file);
    QFile layout_file(file);
    QVERIFY(layout_file.open(QIODevice::ReadOnly));
    QByteArray layout = layout_file.readAll();
    QVERIFY(!BuildCompiledLayout(QByteArray(layout).replace("</ui>", "</ui> "), nullptr));
    const std::unique_ptr<QWidget> compiled(BuildCompiledLayout(layout, nullptr));
    QVERIFY2(compiled, "the layout is not compiled in");
    FinishLayout(compiled.get());
    QBuffer buffer(&layout);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const std::unique_ptr<QWidget> read(LoadLayoutFrom(buffer, file));
    QVERIFY(read);
    QStringList lines[2];
    for (QWidget* root : {read.get(), compiled.get()}) {
      root->show();
      QVERIFY(QTest::qWaitForWindowExposed(root));
      lines[root == compiled.get()] = Describe(*root);
    }
    QStringList differences;
    for (int side : {0, 1})
      for (const QString& line : lines[side])
        if (!lines[1 - side].contains(line)) differences << (side ? "compiled: " : "read: ") + line;
    QVERIFY2(differences.isEmpty(), qPrintable(differences.join(QLatin1Char('\n'))));
  }
};

namespace {
const bool registered = RegisterSuite<CompiledLayoutsTest>("CompiledLayoutsTest");
}

}  // namespace melko::ui::test

#include "compiled_layouts_ui_test.moc"
