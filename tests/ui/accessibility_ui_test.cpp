// What a screen reader and a keyboard meet: a name of its own for every control that takes the
// focus, on the page, in the dialogs and the macro editor; every setting changed with keys alone.
#include <QAccessible>
#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "ui/widgets/section_header.h"
#include "ui_tests.h"

namespace melko::ui::test {
namespace {

void CollectNames(QAccessibleInterface* node, QMultiHash<QString, QString>& owners) {
  for (int i = 0; i < node->childCount(); ++i) {
    QAccessibleInterface* child = node->child(i);
    if (!child || child->state().invisible) continue;
    if (child->object() && child->object()->isWidgetType() && child->state().focusable)
      owners.insert(child->text(QAccessible::Name).trimmed(), child->object()->objectName());
    CollectNames(child, owners);
  }
}
// The names of the window's focusable controls that are empty or not their own, with their owners.
QStringList NameProblems(QWidget* window) {
  QMultiHash<QString, QString> owners;
  CollectNames(QAccessible::queryAccessibleInterface(window), owners);
  QStringList problems;
  for (const QString& name : owners.uniqueKeys())
    if (name.isEmpty() || owners.count(name) > 1)
      problems << name + ":" + owners.values(name).join(",");
  return problems;
}

QPointer<QWidget> main_window;
QWidget* Focus() {  // without a window manager no one activates the window when a dialog closes
  if (!QApplication::focusWidget() && !QApplication::activeModalWidget())
    main_window->activateWindow();
  (void)QTest::qWaitFor([] { return QApplication::focusWidget(); }, 1000);
  return QApplication::focusWidget();
}
void Keys(QWidget* to, std::initializer_list<Qt::Key> keys) {
  for (Qt::Key key : keys) QTest::keyClick(to, key);
}
// Tabs on until a control whose name starts with prefix has the focus; types there, then the keys.
void TabTo(const QString& prefix, std::initializer_list<Qt::Key> keys = {},
           const QString& typed = {}) {
  for (int i = 0; i < 200 && !Focus()->objectName().startsWith(prefix); ++i)
    Keys(Focus(), {Qt::Key_Tab});
  QVERIFY2(Focus()->objectName().startsWith(prefix), qPrintable(prefix));
  if (!typed.isEmpty()) QTest::keyClick(Focus(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(Focus(), typed);
  Keys(Focus(), keys);
}
// Checks the names of the next modal window once it is active and runs fn in it; then leaves it.
void InNextDialog(std::function<void(QWidget*)> fn = [](QWidget*) {}) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, fn] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog || QApplication::activeWindow() != dialog) return;
    poll->deleteLater(), poll->stop();
    QCOMPARE(NameProblems(dialog), QStringList());
    fn(dialog);
    if (dialog->isVisible()) Keys(Focus(), {Qt::Key_Escape});
  });
  poll->start(10);
}

}  // namespace

class AccessibilityTest : public QObject {
  Q_OBJECT

 private slots:
  void KeysAloneChangeEverySettingOfNamedControls() {
    const std::string steps = "44+30 44-10 241+10 241-10";
    Desktop desktop(Desktop::Mouse::kOnCable, {u"Work", u"work"},
                    {{u"Work", steps}, {u"work", steps}});
    ProfileSession& session = desktop.app().runtime().session();
    main_window = &desktop.app().window();
    main_window->show();
    TabTo("ms_1_list_profile", {Qt::Key_Down});
    const ProfileRecord old = session.CurrentSnapshot();
    QCOMPARE(old.name[0], u'w');
    for (auto* header : main_window->findChildren<SectionHeader*>())
      if (header->isVisible() && !header->isChecked()) TabTo(header->objectName(), {Qt::Key_Space});
    QCOMPARE(NameProblems(main_window), QStringList());
    auto* slider = QAccessible::queryAccessibleInterface(desktop.Find("ms_1_slider_dpi_3"));
    QCOMPARE(slider->text(QAccessible::Name) + slider->text(QAccessible::Description) +
                 slider->valueInterface()->maximumValue().toString(),
             QStringLiteral("Stage 3 DPI2400220"));

    for (const auto& [control, key] : std::initializer_list<std::pair<const char*, Qt::Key>>{
             {"ms_1_option_dpi_step_", Qt::Key_Down},
             {"ms_1_slider_dpi_1", Qt::Key_Right},
             {"ms_1_combo_light", Qt::Key_Down},
             {"ms_1_btn_prate_", Qt::Key_Left},
             {"ms_1_slider_light_off", Qt::Key_PageUp},
             {"ms_1_slider_sleep_timer", Qt::Key_End},
             {"ms_1_option_lift_of_distance_", Qt::Key_Right},
             {"ms_1_slider_key_debounce", Qt::Key_Right},
             {"ms_1_option_ripple_control_", Qt::Key_Right},
             {"ms_1_option_angle_snap_", Qt::Key_Right}})
      TabTo(control, {key});
    TabTo("ms_1_edit_dpi_2", {Qt::Key_Return}, "3200");
    InNextDialog([](QWidget*) {
      for (const char* edit : {"r_edit", "g_edit", "b_edit"})
        TabTo(edit, {}, edit[0] == 'r' ? "255" : "0");
      TabTo("confirm_btn", {Qt::Key_Space});
    });
    TabTo("ms_1_btn_dpi_color_1", {Qt::Key_Space});
    TabTo("ms_1_btn_key_5", {Qt::Key_Space});
    Keys(QApplication::activePopupWidget(), {Qt::Key_Up, Qt::Key_Return});  // the last item
    QTRY_COMPARE(Focus()->accessibleName(), QStringLiteral("Button 5: Disabled"));
    InNextDialog([](QWidget*) {
      TabTo("list_macro", {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return});
    });
    TabTo("ms_1_btn_key_6", {Qt::Key_Space});
    Keys(QApplication::activePopupWidget(), {Qt::Key_Up, Qt::Key_Up, Qt::Key_Return});
    QTRY_COMPARE(Focus()->accessibleName(), QStringLiteral("Button 6: Macro: work"));
    const ProfileRecord now = session.CurrentSnapshot();
    QCOMPARE(
        (std::vector<int>{now.dpi_step, now.dpi_value[0], now.dpi_value[1], int(now.dpi_color[0]),
                          now.light_mode, now.prate, now.sleep_timer, now.key_debounce,
                          now.lift_of_distance + now.ripple_control + now.angle_snap}),
        (std::vector<int>{old.dpi_step + 1, old.dpi_value[0] + 1, 64, 0xFF, old.light_mode + 1,
                          old.prate - 1, 255, old.key_debounce + 1, 3}));
    QVERIFY(now.light_off > old.light_off && now.buttons[4].function != old.buttons[4].function);

    InNextDialog([](QWidget*) { TabTo("edit_name", {Qt::Key_Return}, "Keys"); });
    TabTo("ms_1_profile_add_btn", {Qt::Key_Space});
    QTRY_COMPARE(session.CurrentSnapshot().name[0], u'K');
    InNextDialog();  // the question before a deletion
    TabTo("ms_1_profile_delete_btn", {Qt::Key_Space});
    InNextDialog([](QWidget* editor) {  // a macro, its mouse step and its key step open
      TabTo("ms_1_macro_list", {Qt::Key_Down});
      TabTo("ms_1_macro_action_edit_check", {Qt::Key_Space});
      QCOMPARE(NameProblems(editor), QStringList());
      TabTo("ms_1_macro_action_list", {Qt::Key_Up, Qt::Key_Up});
      QCOMPARE(NameProblems(editor), QStringList());
    });
    TabTo("ms_1_btn_macro", {Qt::Key_Space});
  }
};

const bool registered = RegisterSuite<AccessibilityTest>("AccessibilityTest");

}  // namespace melko::ui::test

#include "accessibility_ui_test.moc"
