#include "ui/compiled_layouts.h"

#include <QCryptographicHash>
#include <QDialog>
#include <QWidget>

#include "compiled_layout_digests.h"
#include "ui/font_warm_up.h"
#include "ui/widgets/busy_ring.h"
#include "ui/widgets/button_label.h"
#include "ui/widgets/colour_button.h"
#include "ui/widgets/device_switch.h"
#include "ui/widgets/hue_sat_picker.h"
#include "ui/widgets/section_header.h"
#include "ui/widgets/svg_view.h"

namespace {

// The compiled layouts name the program's widgets by the class names the layout files give them.
using MelkoBusyRing = melko::ui::BusyRing;
using MelkoButtonLabel = melko::ui::ButtonLabel;
using MelkoColourButton = melko::ui::ColourButton;
using MelkoDeviceSwitch = melko::ui::DeviceSwitch;
using MelkoHueSatPicker = melko::ui::HueSatPicker;
using MelkoSectionHeader = melko::ui::SectionHeader;
using MelkoSvgView = melko::ui::SvgView;

// The layouts' texts are language keys, translated afterwards as every layout's are
// (FinishLayout): the compiled code takes them as they stand.
QString MelkoLayoutText(const char* text, const char*) {
  return QString::fromUtf8(text);
}

}  // namespace

#include "ui_DPImsg.h"
#include "ui_DpiColorDialog.h"
#include "ui_keylistitem.h"
#include "ui_main.h"
#include "ui_ms_1_macropage.h"
#include "ui_msg.h"
#include "ui_profilename.h"
#include "ui_section_angle_snap.h"
#include "ui_section_debounce.h"
#include "ui_section_light.h"
#include "ui_section_pointer.h"
#include "ui_section_power_saving.h"
#include "ui_section_ripple.h"
#include "ui_selectmacro.h"
#include "ui_shortcut.h"

namespace melko::ui {
namespace {

template <typename Root, typename Code>
QWidget* Build(QWidget* parent) {
  auto* root = new Root(parent);
  Code().setupUi(root);
  return root;
}

struct CompiledLayout {
  const char* md5;  // of the installed file, whose indentation between tags the build removes
  QWidget* (*build)(QWidget* parent);
};

// Every layout of the default skin; a window test checks that none is missing.
constexpr CompiledLayout kCompiledLayouts[] = {
    {MELKO_LAYOUT_MD5_main, &Build<QWidget, Ui_MainPage>},
    {MELKO_LAYOUT_MD5_section_light, &Build<QWidget, Ui_LightSection>},
    {MELKO_LAYOUT_MD5_section_pointer, &Build<QWidget, Ui_PointerSection>},
    {MELKO_LAYOUT_MD5_section_power_saving, &Build<QWidget, Ui_PowerSavingSection>},
    {MELKO_LAYOUT_MD5_section_debounce, &Build<QWidget, Ui_DebounceSection>},
    {MELKO_LAYOUT_MD5_section_ripple, &Build<QWidget, Ui_RippleSection>},
    {MELKO_LAYOUT_MD5_section_angle_snap, &Build<QWidget, Ui_AngleSnapSection>},
    {MELKO_LAYOUT_MD5_DPImsg, &Build<QWidget, Ui_DPIWnd>},
    {MELKO_LAYOUT_MD5_DpiColorDialog, &Build<QDialog, Ui_DpiColorWnd>},
    {MELKO_LAYOUT_MD5_msg, &Build<QDialog, Ui_MsgWnd>},
    {MELKO_LAYOUT_MD5_shortcut, &Build<QDialog, Ui_ShortcutWnd>},
    {MELKO_LAYOUT_MD5_keylistitem, &Build<QWidget, Ui_KeyListItem>},
    {MELKO_LAYOUT_MD5_ms_1_macropage, &Build<QWidget, Ui_MacroPage>},
    {MELKO_LAYOUT_MD5_profilename, &Build<QDialog, Ui_MS_1_ProfileName>},
    {MELKO_LAYOUT_MD5_selectmacro, &Build<QDialog, Ui_MS_1_SelectMacro>},
};

}  // namespace

QWidget* BuildCompiledLayout(const QByteArray& layout, QWidget* parent) {
  // A digest to recognise a file, not to secure anything.
  const QByteArray md5 = QCryptographicHash::hash(layout, QCryptographicHash::Md5).toHex();
  for (const CompiledLayout& compiled : kCompiledLayouts) {
    if (md5 != compiled.md5) continue;
    // From the first widget on, texts are laid out: the fonts must be ready.
    FinishFontWarmUp();
    return compiled.build(parent);
  }
  return nullptr;
}

}  // namespace melko::ui
