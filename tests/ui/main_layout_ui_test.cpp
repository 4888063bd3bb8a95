// The settings page compiled into the program against the page the loader reads from the same
// default main.ui.
#include <QBuffer>
#include <QFile>
#include <QLayout>
#include <QMetaProperty>
#include <QRegularExpression>
#include <QTest>
#include <memory>

#include "ui/main_layout.h"
#include "ui/skin.h"
#include "ui_tests.h"

namespace melko::ui::test {
namespace {

// Each widget and layout of a shown page, sorted: its place in the tree, class, stored and added
// properties, and for a widget its size hint as layouts bound it and its place on the page.
QStringList Describe(QWidget& page) {
  QStringList lines;
  QObjectList objects = page.findChildren<QObject*>();
  for (QObject* object : objects << &page) {
    // The loader's own helper, and the margins and spacing it also keeps as properties that Qt
    // never reads: a layout is compared by what it holds.
    if (QByteArray(object->metaObject()->className()).startsWith("QFormInternal::")) continue;
    auto* layout = qobject_cast<QLayout*>(object);
    QString line;
    for (QObject* up = object; up != page.parent(); up = up->parent())
      line.prepend(up->objectName() + QLatin1Char('/'));
    QDebug(&line) << object->metaObject()->className();
    QList<QByteArray> names = layout ? QList<QByteArray>() : object->dynamicPropertyNames();
    for (int i = 0; i < object->metaObject()->propertyCount(); ++i) {
      const QMetaProperty property = object->metaObject()->property(i);
      // Which page has the focus, and the size hint before the layouts bound it, tell nothing.
      if (property.isStored() &&
          !QByteArrayList{"isActiveWindow", "focus", "sizeHint"}.contains(property.name()))
        names << property.name();
    }
    for (const QByteArray& name : names) QDebug(&line) << name << object->property(name);
    if (layout) QDebug(&line) << layout->contentsMargins() << layout->spacing();
    if (auto* widget = qobject_cast<QWidget*>(object)) {
      QDebug(&line)
          << widget->sizeHint().expandedTo(widget->minimumSize()).boundedTo(widget->maximumSize())
          << widget->mapTo(&page, QPoint());
    }
    // Icons and models are made for each page anew (what the icons show is the icon test's).
    lines << line.remove(QRegularExpression(QStringLiteral("0x[0-9a-f]+")));
  }
  lines.sort();
  return lines;
}

}  // namespace

class MainLayoutTest : public QObject {
  Q_OBJECT

 private slots:
  // The compiled page is the page the file builds: the same widgets and layouts with the same
  // properties, in the same places. Any other bytes (an edited file, another skin) are read.
  void TheCompiledPageIsThePageTheFileBuilds() {
    QFile file(SkinFile(QStringLiteral("main.ui")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray layout = file.readAll();
    QVERIFY2(IsCompiledMainLayout(layout), "the skin's main.ui is not the one compiled in");
    QVERIFY(!IsCompiledMainLayout(QByteArray(layout).replace("product_name", "product_title")));
    QBuffer buffer(&layout);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const std::unique_ptr<QWidget> read(LoadLayoutFrom(buffer, file.fileName()));
    const std::unique_ptr<QWidget> compiled(LoadMainLayout(nullptr));
    QStringList lines[2];
    for (QWidget* page : {read.get(), compiled.get()}) {
      page->resize(800, 572);
      page->show();
      QVERIFY(QTest::qWaitForWindowExposed(page));
      lines[page == compiled.get()] = Describe(*page);
    }
    QVERIFY(lines[1].size() > 150);
    QStringList differences;
    for (int side : {0, 1})
      for (const QString& line : lines[side])
        if (!lines[1 - side].contains(line)) differences << (side ? "compiled: " : "read: ") + line;
    QVERIFY2(differences.isEmpty(), qPrintable(differences.join(QLatin1Char('\n'))));
  }
};

namespace {
const bool registered = RegisterSuite<MainLayoutTest>("MainLayoutTest");
}

}  // namespace melko::ui::test

#include "main_layout_ui_test.moc"
