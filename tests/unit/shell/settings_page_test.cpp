#include "shell/settings_page.h"

#include <gtest/gtest.h>

#include <sstream>

#include "common/text.h"
#include "device/messages.h"
#include "profiles/data_folder.h"
#include "support/device_fakes.h"

namespace melko {
namespace {

struct SettingsPageTest : ::testing::Test, PageDialogs, ShortcutCapture, MacroChoice {
 protected:
  SettingsPageTest() {
    testing::UseEnglishTexts();
    rig.session.LoadProfileStore();
    rig.session.LoadMacroStore();
    page.LoadDeviceState();
  }
  ProfileRecord Current() { return rig.session.CurrentSnapshot(); }
  void AddProfiles(std::initializer_list<const char16_t*> names) {
    for (const char16_t* name : names) {
      typed_name = name;
      page.OnClick("ms_1_profile_add_btn");
    }
  }
  std::vector<std::string> Profiles() {
    const ProfileStore stored = testing::StoredProfiles(rig.dir.path());
    std::vector<std::string> names;
    for (const auto& record : stored.profiles) names.push_back(Utf16ToUtf8(ProfileName(*record)));
    names.push_back("selected " + std::to_string(stored.selected_index));
    return names;
  }

  fakes::DeviceRig rig;
  fakes::FakeBoxes boxes;
  bool AskProfileName(std::string_view, const std::vector<std::u16string>&,
                      std::u16string& entered) override {
    if (while_open) while_open();
    entered = typed_name;
    return !typed_name.empty();
  }
  std::function<void()> while_open;  // another program, while the dialog is open
  bool ChooseColour(std::string_view, std::uint32_t& argb) override {
    argb = 0xFF102030;
    return true;
  }
  std::optional<std::filesystem::path> OpenFile(FileKind) override { return chosen_file; }
  std::optional<std::filesystem::path> SaveFile(FileKind) override { return chosen_file; }
  void OpenAssignmentMenu(int, std::string_view) override {}
  void RunMacroEditor() override {}
  bool OpenSystemMouseSettings() override { return true; }
  void FollowOpenedSection(std::string_view section) override { followed = section; }
  bool Capture(ShortcutFields&) override { return false; }
  bool Choose(const MacroStore&, MacroChoiceFields&) override { return false; }
  std::u16string typed_name;
  std::optional<std::filesystem::path> chosen_file;
  std::string followed;
  SettingsPage page{rig.ctx, {boxes, *this, *this, *this}};
};

// A typed DPI is stored as a stage value and shown as its DPI. Sliders wait longer than lists
// before an apply; a DPI, typed or from its slider, waits for the Apply button.
TEST_F(SettingsPageTest, ControlsStoreTheirFieldAndAskForAnApplyAsEachShould) {
  for (const auto& [typed, value, shown] : std::vector<std::tuple<std::string, int, std::string>>{
           {"123456", 220, "12000"}, {"30", 1, "50"}, {"10150", 201, "10100"}, {"", 1, "50"}}) {
    page.OnDpiEditDone("ms_1_edit_dpi_3", typed);
    EXPECT_EQ(
        std::tuple(Current().dpi_value[2], rig.controls.Value("ms_1_slider_dpi_3"),
                   rig.controls.Text("ms_1_edit_dpi_3"), rig.controls.Text("ms_1_label_dpi_3")),
        std::tuple(value, value, shown, shown))
        << typed;
  }
  page.OnValueChanged("ms_1_slider_dpi_2", 100);
  EXPECT_EQ(rig.controls.Text("ms_1_label_dpi_2"), "5000");
  EXPECT_FALSE(rig.timers.Running(kTimerApplyDelay));
  page.OnValueChanged("ms_1_slider_key_debounce", 6);
  EXPECT_EQ(rig.timers.Period(kTimerApplyDelay), 500);
  page.OnItemSelect("ms_1_combo_light", 2);
  EXPECT_EQ(rig.timers.Period(kTimerApplyDelay), 200);

  page.OnSelectChanged("ms_1_btn_prate_2");
  page.OnSelectChanged("ms_1_option_angle_snap_2");
  page.OnCheckClick("ms_1_check_movemode", true);
  page.OnClick("ms_1_btn_dpi_color_4");
  EXPECT_EQ(rig.poster.Count(kMsgRequestApply), 4);  // these four, and nothing before them
  EXPECT_EQ(Current().move_mode, 1);  // the other fields: the keyboard's accessibility test

  page.OnCheckClick("ms_1_check_key_debounce", true);
  page.OnSectionTimer();
  EXPECT_EQ(followed, "ms_1_hor_key_debounce");
}

// Deleting the first of three selects the new first; deleting the last selects the one before it.
// Every change of the list, and every file import, is on disk at once.
TEST_F(SettingsPageTest, ProfileListChangesAreSavedAndShowTheRightProfile) {
  AddProfiles({u"Two", u"Three"});
  page.OnItemSelect("ms_1_list_profile", 0);
  page.OnClick("ms_1_profile_delete_btn");
  EXPECT_EQ(Profiles(), (std::vector<std::string>{"Two", "Three", "selected 0"}));
  page.OnItemSelect("ms_1_list_profile", 1);
  page.OnClick("ms_1_profile_delete_btn");
  page.OnClick("ms_1_profile_delete_btn");
  EXPECT_EQ(boxes.asked.back(), "one_profile_text");

  typed_name = u"Work";
  page.OnClick("ms_1_profile_rename_btn");
  page.OnValueChanged("ms_1_slider_brightness", 3);
  boxes.answers = {false};
  page.OnClick("ms_1_btn_reset");
  EXPECT_EQ(Current().brightness, 3) << "declined";
  page.OnClick("ms_1_btn_reset");
  EXPECT_EQ(rig.controls.Value("ms_1_slider_brightness"), 8);
  chosen_file = rig.dir / "work.pro";
  page.OnClick("ms_1_profile_export_btn");
  page.OnClick("ms_1_profile_import_btn");
  EXPECT_EQ(Profiles(), (std::vector<std::string>{"Work", "Work_1", "selected 1"}));

  chosen_file = rig.dir / "no/folder/x.pro";  // a failed import is the fuzz target's
  page.OnClick("ms_1_profile_export_btn");
  EXPECT_EQ(boxes.asked.back(), "export_fail_text");
}

// Every control the page fills, from a record whose every field differs from the defaults: a
// control filled from the wrong field, or not at all, shows the default.
TEST_F(SettingsPageTest, RefreshShowsEveryFieldOfTheProfile) {
  rig.session.Sync([](ProfileStore& profiles, MacroStore&) {
    ProfileRecord& r = *profiles.Selected();
    r.dpi_step = 4;
    for (int i = 0; i < kDpiStageCount; ++i) {
      r.dpi_value[std::size_t(i)] = 201 + i;  // 10100 DPI and up
      r.dpi_enable[std::size_t(i)] = 1;
      r.dpi_color[std::size_t(i)] = MakeColour(i, 2 * i, 3 * i);
    }
    r.light_mode = 3, r.light_mode_ble = 1, r.brightness = 2, r.breathspeed = 3, r.prate = 0;
    r.light_color = MakeColour(9, 8, 7), r.lift_of_distance = 1, r.ripple_control = 0;
    r.angle_snap = 1, r.light_off = 5, r.sleep_timer = 7, r.key_debounce = 9;
    for (std::size_t slot = 0; slot < std::size_t(kMouseButtonCount); ++slot) {
      r.buttons[slot].function = kFunctionShortcut;
      r.buttons[slot].shortcut_modifiers = 1;                 // Ctrl
      r.buttons[slot].shortcut_key = std::uint8_t(4 + slot);  // A, B, C ...
    }
  });
  page.RefreshAll();
  // Rows of control=shown, the "ms_1_" left off: a slider's value, a list's item, a label's,
  // an edit's or a button's text, and an option group's selected option.
  std::string rows =
      "slider_brightness=2|slider_breathspeed=3|slider_light_off=5|slider_sleep_timer=7|"
      "slider_key_debounce=9|combo_light=3|combo_light_ble=1|"
      "label_prate=key:prate_1_text|label_light_off=Light off after: 2.5 min|"
      "label_sleep_timer=Sleep after: 7 min|label_key_debounce=18 MS|"
      "option_dpi_step_=5|btn_prate_=1|option_lift_of_distance_=2|option_ripple_control_=1|"
      "option_angle_snap_=2";
  for (int stage = 1; stage <= kDpiStageCount; ++stage) {
    const std::string n = std::to_string(stage), dpi = std::to_string(10000 + 100 * stage);
    rows += "|slider_dpi_" + n + "=" + std::to_string(200 + stage) + "|label_dpi_" + n + "=" + dpi +
            "|edit_dpi_" + n + "=" + dpi;
  }
  for (int button = 1; button <= kMouseButtonCount; ++button)
    rows += "|btn_key_" + std::to_string(button) + "=Ctrl+" + char('A' + button - 1);
  fakes::FakeControls& shown = rig.controls;
  std::istringstream in(rows);
  for (std::string row; std::getline(in, row, '|');) {
    const std::string control = "ms_1_" + row.substr(0, row.find('='));
    const std::string expected =
        (control.ends_with('_') ? control : "") + row.substr(row.find('=') + 1);
    EXPECT_EQ(control.ends_with('_')      ? shown.SelectedOption(control)
              : row.starts_with("slider") ? std::to_string(shown.Value(control))
              : row.starts_with("combo")  ? std::to_string(shown.SelectedItem(control))
                                          : shown.Text(control),
              expected)
        << control;
  }
  for (int i = 0; i < kDpiStageCount; ++i) {
    EXPECT_EQ(shown.Colour(Numbered("ms_1_btn_dpi_color_%d", i + 1)),
              ColourToArgb(MakeColour(i, 2 * i, 3 * i)));
  }
  EXPECT_EQ(shown.Colour("ms_1_btn_light_color"), 0xFF090807u);
}

// A stage that is off cannot become the current one (values out of range: the import fuzz target).
TEST_F(SettingsPageTest, AStageThatIsOffIsNeverSelected) {
  EXPECT_FALSE(rig.controls.Enabled("ms_1_option_dpi_step_8"));  // off by default
  page.OnSelectChanged("ms_1_option_dpi_step_8");
  EXPECT_EQ(Current().dpi_step, 1);
  EXPECT_EQ(rig.controls.SelectedOption("ms_1_option_dpi_step_"), "ms_1_option_dpi_step_2");
  // The current stage's switch is held on; a stage switched on without a value gets one.
  EXPECT_FALSE(rig.controls.Enabled("ms_1_check_dpi_on_2"));
  page.OnCheckClick("ms_1_check_dpi_on_8", true);
  EXPECT_TRUE(StageIsOn(Current(), 7) && rig.controls.Enabled("ms_1_option_dpi_step_8"));
}

// The user's choice in the list is the profile shown in that row, found by its exact name, even
// after another program changed the list under the page.
TEST_F(SettingsPageTest, AChosenRowSelectsTheProfileItShows) {
  AddProfiles({u"Alpha", u"Beta", u"Gamma"});
  page.OnItemSelect("ms_1_list_profile", 0);
  testing::ChangeStoresElsewhere(rig.dir.path(), [](ProfileStore& profiles, MacroStore&) {
    profiles.profiles.erase(profiles.profiles.begin());  // Profile1
    profiles.profiles.push_back(MakeDefaultProfile(u"ALPHA"));
    profiles.selected_index = 0;
  });
  page.OnItemSelect("ms_1_list_profile", 1);  // Alpha, as shown
  EXPECT_EQ(ProfileName(Current()), u"Alpha");
  page.OnItemSelect("ms_1_list_profile", 3);  // ALPHA, once the list shows the store as it is now
  page.OnClick("ms_1_profile_delete_btn");
  EXPECT_EQ(Profiles(), (std::vector<std::string>{"Alpha", "Beta", "Gamma", "selected 2"}));
}

// After a failed save the page shows what is stored.
TEST_F(SettingsPageTest, AChangeThatCannotBeSavedOrANameTakenMeanwhileIsTold) {
  AddProfiles({u"Beta"});
  typed_name = u"Work";
  while_open = [&] {
    testing::ChangeStoresElsewhere(rig.dir.path(), [](ProfileStore& profiles, MacroStore&) {
      profiles.profiles.push_back(MakeDefaultProfile(u"WORK"));
    });
  };
  page.OnClick("ms_1_profile_rename_btn");
  EXPECT_EQ(boxes.asked.back(), "warn_name_2_text");
  EXPECT_EQ(Profiles(), (std::vector<std::string>{"Profile1", "Beta", "WORK", "selected 1"}));
  while_open = nullptr;

  // The lock file made a folder: nothing can be saved, whoever runs the test.
  const std::filesystem::path lock = StoreLockPath(rig.dir.path());
  std::filesystem::remove(lock);
  std::filesystem::create_directory(lock);
  page.OnItemSelect("ms_1_list_profile", 0);
  EXPECT_EQ(boxes.asked.back(), "save_fail_text");
  EXPECT_EQ(boxes.arguments.back().at(0), StoreFolder(rig.dir.path()).string());
  EXPECT_NE(boxes.arguments.back().at(1).find("lock"), std::string::npos);
  EXPECT_EQ(rig.controls.SelectedItem("ms_1_list_profile"), 1) << "the stored selection";
  EXPECT_EQ(rig.controls.Items("ms_1_list_profile"),
            (std::vector<std::string>{"Profile1", "Beta", "WORK"}));
  EXPECT_EQ(ProfileName(Current()), u"Beta");
}

}  // namespace
}  // namespace melko
