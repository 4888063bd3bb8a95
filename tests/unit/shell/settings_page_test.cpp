// The settings page's handlers over fakes of the controls and the dialogs, with a real session on
// a private data folder: what each control stores, when an apply is asked for, and the profile
// list's operations, each saved at once.
#include "shell/settings_page.h"

#include <gtest/gtest.h>

#include <deque>

#include "common/text.h"
#include "device/messages.h"
#include "profiles/data_folder.h"
#include "support/device_fakes.h"

namespace melko {
namespace {

struct FakeBoxes : MessageBoxes {
  bool Ask(std::string_view, std::string_view text_key,
           const std::vector<std::string>& arguments) override {
    Tell({}, text_key, arguments);
    const bool answer = answers.empty() || answers.front();
    if (!answers.empty()) answers.pop_front();
    return answer;
  }
  void Tell(std::string_view, std::string_view text_key,
            const std::vector<std::string>& arguments) override {
    asked.emplace_back(text_key);
    this->arguments.push_back(arguments);
  }
  std::vector<std::string> asked;
  std::vector<std::vector<std::string>> arguments;
  std::deque<bool> answers;
};

struct FakeDialogs : PageDialogs {
  bool AskProfileName(std::string_view, const std::vector<std::u16string>&,
                      std::u16string& entered) override {
    entered = name;
    return !name.empty();
  }
  bool ChooseColour(std::string_view, std::uint32_t& argb) override {
    argb = colour;
    return true;
  }
  std::optional<std::filesystem::path> OpenFile(FileKind) override { return file; }
  std::optional<std::filesystem::path> SaveFile(FileKind) override { return file; }
  void OpenAssignmentMenu(int button) override { menu_button = button; }
  void RunMacroEditor() override {}
  bool OpenSystemMouseSettings() override { return true; }
  void FollowOpenedSection(std::string_view section) override { followed = section; }
  std::u16string name;
  std::uint32_t colour = 0xFF102030;
  std::optional<std::filesystem::path> file;
  int menu_button = 0;
  std::string followed;
};

struct NoCapture : ShortcutCapture, MacroChoice {
  bool Capture(ShortcutFields&) override { return false; }
  bool Choose(const MacroStore&, MacroChoiceFields& fields) override {
    preset_index = fields.macro_index;
    return false;
  }
  int preset_index = -2;
};

class SettingsPageTest : public ::testing::Test {
 protected:
  SettingsPageTest() {
    testing::UseEnglishTexts();
    rig.session.LoadProfileStore();
    rig.session.LoadMacroStore();
    page.LoadDeviceState();
  }
  ProfileRecord Current() { return rig.session.CurrentSnapshot(); }
  int Applies() { return rig.poster.Count(kMsgRequestApply); }
  std::vector<std::string> Profiles() {
    ProfileStore stored;
    LoadProfiles(stored, rig.dir.path());
    std::vector<std::string> names;
    for (const auto& record : stored.profiles) names.push_back(Utf16ToUtf8(ProfileName(*record)));
    names.push_back("selected " + std::to_string(stored.selected_index));
    return names;
  }

  fakes::DeviceRig rig;
  FakeBoxes boxes;
  FakeDialogs dialogs;
  NoCapture capture;
  SettingsPage page{rig.ctx, {boxes, dialogs, capture, capture}};
};

TEST_F(SettingsPageTest, TypedDpiIsStoredAsAStageValueAndShownAsItsDpi) {
  for (const auto& [typed, value, shown] : std::vector<std::tuple<std::string, int, std::string>>{
           {"123456", 220, "12000"}, {"30", 1, "50"}, {"10150", 201, "10100"}, {"", 1, "50"}}) {
    SCOPED_TRACE(typed);
    page.OnDpiEditDone("ms_1_edit_dpi_3", typed);
    EXPECT_EQ(Current().dpi_value[2], value);
    EXPECT_EQ(rig.controls.Text("ms_1_edit_dpi_3"), shown);
    EXPECT_EQ(rig.controls.Value("ms_1_slider_dpi_3"), value);
  }
  EXPECT_EQ(Applies(), 0) << "typing a DPI sends nothing until an apply";
}

TEST_F(SettingsPageTest, ControlsStoreTheirFieldAndAskForAnApplyAsEachShould) {
  page.OnValueChanged("ms_1_slider_dpi_2", 100);
  EXPECT_EQ(Current().dpi_value[1], 100);
  EXPECT_EQ(rig.controls.Text("ms_1_label_dpi_2"), "5000");
  EXPECT_FALSE(rig.timers.Running(kTimerApplyDelay));

  page.OnValueChanged("ms_1_slider_key_debounce", 6);
  EXPECT_EQ(rig.controls.Text("ms_1_label_key_debounce"), "12 MS");
  EXPECT_EQ(rig.timers.Period(kTimerApplyDelay), 500);
  page.OnItemSelect("ms_1_combo_light", 2);  // lists wait less than sliders
  EXPECT_EQ(rig.timers.Period(kTimerApplyDelay), 200);

  page.OnSelectChanged("ms_1_btn_prate_2");
  page.OnSelectChanged("ms_1_option_angle_snap_2");
  page.OnCheckClick("ms_1_check_movemode", true);
  page.OnClick("ms_1_btn_dpi_color_4");
  EXPECT_EQ(Applies(), 4);
  const ProfileRecord record = Current();
  EXPECT_EQ(record.prate, 1);
  EXPECT_EQ(rig.controls.Text("ms_1_label_prate"), "key:prate_2_text");
  EXPECT_EQ(record.angle_snap, 1);
  EXPECT_EQ(record.move_mode, 1);
  EXPECT_EQ(record.dpi_color[3], MakeColour(0x10, 0x20, 0x30));

  page.OnCheckClick("ms_1_check_key_debounce", true);
  EXPECT_TRUE(rig.controls.IsVisible("ms_1_hor_key_debounce"));
  page.OnSectionTimer();
  EXPECT_EQ(dialogs.followed, "ms_1_hor_key_debounce");
  page.OnClick("ms_1_btn_key_7");
  EXPECT_EQ(dialogs.menu_button, 7);
  EXPECT_EQ(page.open_menu_button(), 6);
}

// Deleting the first of three selects the new first; deleting the last selects the one before it.
// Every change of the list is on disk at once, and the page shows the profile now selected.
TEST_F(SettingsPageTest, ProfileListChangesAreSavedAndShowTheRightProfile) {
  for (const char16_t* name : {u"Two", u"Three"}) {
    dialogs.name = name;
    page.OnClick("ms_1_profile_add_btn");
  }
  EXPECT_EQ(Profiles(), (std::vector<std::string>{"Profile1", "Two", "Three", "selected 2"}));
  EXPECT_EQ(rig.session.full_apply, 1);
  page.OnItemSelect("ms_1_list_profile", 0);
  page.OnClick("ms_1_profile_delete_btn");
  EXPECT_EQ(Profiles(), (std::vector<std::string>{"Two", "Three", "selected 0"}));
  EXPECT_EQ(ProfileName(Current()), u"Two");
  page.OnItemSelect("ms_1_list_profile", 1);
  page.OnClick("ms_1_profile_delete_btn");
  EXPECT_EQ(Profiles(), (std::vector<std::string>{"Two", "selected 0"}));
  page.OnClick("ms_1_profile_delete_btn");
  EXPECT_EQ(boxes.asked.back(), "one_profile_text");

  dialogs.name = u"Work";
  page.OnClick("ms_1_profile_rename_btn");
  page.OnValueChanged("ms_1_slider_brightness", 3);
  boxes.answers = {false};
  page.OnClick("ms_1_btn_reset");
  EXPECT_EQ(Current().brightness, 3) << "declined";
  page.OnClick("ms_1_btn_reset");
  EXPECT_EQ(Current().brightness, 8);
  EXPECT_EQ(Profiles(), (std::vector<std::string>{"Work", "selected 0"}));
  EXPECT_EQ(rig.controls.Text("ms_1_slider_brightness"), "");
  EXPECT_EQ(rig.controls.Value("ms_1_slider_brightness"), 8);
}

TEST_F(SettingsPageTest, ImportAndExportGoThroughFiles) {
  dialogs.file = rig.dir / "work.pro";
  page.OnClick("ms_1_profile_export_btn");
  page.OnClick("ms_1_profile_import_btn");
  EXPECT_EQ(Profiles(), (std::vector<std::string>{"Profile1", "Profile1_1", "selected 1"}));
  testing::WriteAll(rig.dir / "short.pro", {1, 2, 3});
  dialogs.file = rig.dir / "short.pro";
  page.OnClick("ms_1_profile_import_btn");
  EXPECT_EQ(boxes.asked.back(), "import_fail_text");
  EXPECT_EQ(Profiles().size(), 3u);
  dialogs.file = rig.dir / "no/folder/x.pro";
  page.OnClick("ms_1_profile_export_btn");
  EXPECT_EQ(boxes.asked.back(), "export_fail_text");
}

// The macro choice is preset with the button's macro found by name: its stored position goes
// stale when an earlier macro is deleted.
TEST_F(SettingsPageTest, TheMacroChoiceFindsTheButtonsMacroByName) {
  rig.session.Sync([](ProfileStore& profiles, MacroStore& macros) {
    macros.macros.push_back(MakeEmptyMacro(u"B"));
    ButtonAssignment& button = profiles.Selected()->buttons[2];
    button.function = kFunctionMacro;
    button.macro_index = 1;  // B was second before A was deleted
    WriteFixedText(button.macro_name, u"B");
  });
  page.OnClick("ms_1_btn_key_3");
  page.AssignButtonFunction("ms_1_select_macro");
  EXPECT_EQ(capture.preset_index, 0);
}

}  // namespace
}  // namespace melko
