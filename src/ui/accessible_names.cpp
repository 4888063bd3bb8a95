#include "ui/accessible_names.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QLabel>
#include <QWidget>
#include <cstring>
#include <string>
#include <vector>

#include "common/language.h"

namespace melko::ui {
namespace {

// Controls named by their number: "<prefix><n>" gets the text of the key with n for "%1".
struct NumberedName {
  const char* prefix;
  const char* key;
};
constexpr NumberedName kNumberedNames[] = {
    {"ms_1_slider_dpi_", "access_stage_dpi_text"},
    {"ms_1_edit_dpi_", "access_stage_dpi_value_text"},
    {"ms_1_btn_dpi_color_", "access_stage_colour_text"},
    {"ms_1_check_dpi_on_", "access_stage_on_text"},
    {"mouse_dpi_color_", "access_swatch_text"},
};

// Options named after their group: "<group title>: <option>", the option's own text unless a key
// gives a fuller one (the polling rates show bare numbers).
struct GroupedOption {
  const char* prefix;  // the options' names up to their number, or a whole name
  const char* group_key;
  const char* option_key = nullptr;
};
constexpr GroupedOption kGroupedOptions[] = {
    {"ms_1_option_dpi_step_", "access_active_stage_text"},
    {"ms_1_btn_prate_1", "prate_title_text", "prate_1_text"},
    {"ms_1_btn_prate_2", "prate_title_text", "prate_2_text"},
    {"ms_1_btn_prate_3", "prate_title_text", "prate_3_text"},
    {"ms_1_btn_prate_4", "prate_title_text", "prate_4_text"},
    {"ms_1_option_lift_of_distance_", "lift_off_title_text"},
    {"ms_1_option_ripple_control_", "ripple_title_text"},
    {"ms_1_option_angle_snap_", "angle_snap_title_text"},
    {"ms_1_record_delay_btn", "macro_delay_mode_text"},
    {"ms_1_default_delay_btn", "macro_delay_mode_text"},
    {"ms_1_no_delay_btn", "macro_delay_mode_text"},
    {"ms_1_macro_key", "macro_insert_mouse_text"},  // the click buttons ms_1_macro_key1_btn...
};

constexpr const char* kValueLabelPrefix = "ms_1_label_";
constexpr const char* kSliderPrefix = "ms_1_slider_";

// The number that the whole rest of name after prefix spells, or 0.
int NumberAfter(const QString& name, const char* prefix) {
  if (!name.startsWith(QLatin1String(prefix))) return 0;
  bool ok = false;
  const int number = name.mid(qsizetype(std::strlen(prefix))).toInt(&ok);
  return ok && number > 0 ? number : 0;
}

QString Composed(const char* key, const std::vector<std::string>& arguments) {
  return QString::fromStdString(text(key, arguments));
}

void NameNumbered(QWidget* widget) {
  for (const NumberedName& rule : kNumberedNames) {
    if (const int number = NumberAfter(widget->objectName(), rule.prefix)) {
      widget->setAccessibleName(Composed(rule.key, {std::to_string(number)}));
      return;
    }
  }
}

void NameOption(QAbstractButton* option) {
  for (const GroupedOption& rule : kGroupedOptions) {
    if (!option->objectName().startsWith(QLatin1String(rule.prefix))) continue;
    const std::string shown =
        rule.option_key ? text(rule.option_key) : option->text().toStdString();
    option->setAccessibleName(Composed("access_option_text", {text(rule.group_key), shown}));
    return;
  }
}

void NameOne(QWidget* widget, QWidget* root) {
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) NameOption(button);
  NameNumbered(widget);
  if (auto* label = qobject_cast<QLabel*>(widget);
      label && label->objectName().startsWith(QLatin1String(kValueLabelPrefix))) {
    const QString slider_name =
        kSliderPrefix + label->objectName().mid(qsizetype(std::strlen(kValueLabelPrefix)));
    if (auto* slider = root->findChild<QAbstractSlider*>(slider_name)) {
      label->setBuddy(slider);
      slider->setAccessibleDescription(label->text());
    }
  }
}

}  // namespace

void NameComposedControls(QWidget* root) {
  NameOne(root, root);
  for (QWidget* widget : root->findChildren<QWidget*>()) NameOne(widget, root);
}

}  // namespace melko::ui
