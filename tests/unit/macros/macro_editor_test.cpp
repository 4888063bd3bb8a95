// The macro editor's rules through fakes of the store, the hook, the clock and the window; what
// only the real window shows is tests/ui/macro_editor_ui_test.cpp's.
#include <gtest/gtest.h>

#include <sstream>

#include "macros/macro_editor.h"
#include "macros/macro_editor_controls.h"
#include "support/device_fakes.h"

namespace melko {
namespace {

// Steps of key 6, pressed and released in turn, or pressed only when `delay` is given.
std::string Alternating(int count, const char* delay = nullptr) {
  std::string steps;
  for (int i = 0; i < count; ++i)
    steps += delay ? std::string("6+") + delay + " " : i % 2 ? "6-10 " : "6+10 ";
  return steps;
}

class FakeLibrary : public MacroLibrary {
 public:
  const MacroStore& macros() const override { return store; }
  Outcome Change(const std::function<void(MacroStore&, ProfileStore*)>& change) override {
    if (other_program) std::exchange(other_program, {})(store);  // found on disk before the change
    if (fail_saves) return Outcome::Failure("read-only");
    change(store, nullptr);
    return Outcome::Success();
  }
  MacroStore store;
  bool fail_saves = false;
  std::function<void(MacroStore&)> other_program;
};

struct Event {
  std::uint32_t wparam;
  std::intptr_t lparam;  // keys: 0 press, 1 release
  int after_ms = 0;
};

// An open, active editor over fakes of the store, window, hook and key codes ('A' is usage 4).
struct Bench : MacroEditorView, HookControl, KeyCodes {
  explicit Bench(std::vector<std::pair<std::u16string, std::string>> macros) {
    for (const auto& [name, steps] : macros)
      library.store.macros.push_back(testing::MakeMacro(name, steps));
    editor.Open();
    editor.SetWindowActive(true);
    if (!macros.empty()) editor.SelectMacro(0);
  }
  void Send(Event e) {
    clock.SleepFor(e.after_ms);
    if (Delivers(e.wparam)) editor.OnHookMessage(e.wparam, e.lparam);
  }
  // Events as "A+500": a key letter, + for a press or - for a release, and the milliseconds before.
  void Record(const std::string& events) {
    editor.ToggleRecording();
    std::istringstream in(events);
    for (std::string e; in >> e;) Send({std::uint32_t(e[0]), e[1] == '-', std::stoi(e.substr(2))});
    if (editor.state().recording) editor.ToggleRecording();
  }
  std::string Stored(int row = 0) const {
    return testing::MacroStepsText(*library.store.macros[std::size_t(row)]);
  }
  std::string Working() const {
    const MacroEditorState& state = editor.state();
    return testing::MacroStepsText(std::span(state.work_actions).first(state.work_count));
  }
  void InstallMouseHook() override {}
  void RemoveMouseHook() override { mouse = false; }
  void EnableMouseHook(bool on) override { mouse = on; }
  void InstallHook() override { installed = true; }
  void RemoveHook() override { installed = false; }
  void EnableHook(bool on) override { keys = on; }
  void MouseWheelEnable(bool) override {}
  bool Delivers(std::uint32_t wparam) const { return installed && (wparam >= 512 ? mouse : keys); }
  bool installed = false, keys = false, mouse = false;
  std::uint8_t UsageOf(std::uint32_t vk) const override {
    return vk >= 'A' && vk <= 'Z' ? std::uint8_t(vk - 'A' + 4) : 0;
  }
  std::string NameOf(std::uint8_t code) const override { return "key " + std::to_string(code); }
  void ShowMacros(const std::vector<std::u16string>& shown) override { names = shown; }
  void SelectMacroRow(int row) override { macro_row = row; }
  void ScrollMacroIntoView(int) override {}
  void ShowMacroName(std::u16string_view) override {}
  void ShowSteps(const std::vector<StepRow>& shown) override { rows = shown; }
  void SelectStepRow(int) override {}
  void ScrollStepIntoView(int row) override { scrolled_to = row; }
  void ShowStepEditor(const StepEditorPage& shown) override { step_page = shown; }
  void ShowRecordButton(const char*, bool) override {}
  void ShowDelayMode(int) override {}
  void ShowDefaultDelay(std::string_view) override {}
  void SetEnabled(std::string_view, bool) override {}
  bool ConfirmDelete(std::u16string_view) override { return true; }
  void TellSaveFailed(std::string_view reason) override { told.push_back(std::string(reason)); }
  void TellFileFailed(const char*, const std::filesystem::path&, std::string_view) override {}
  std::vector<std::u16string> names;
  std::vector<std::string> told;
  std::vector<StepRow> rows;
  int macro_row = -2, scrolled_to = -2;
  StepEditorPage step_page;
  FakeLibrary library;
  fakes::VirtualClock clock;
  RecorderMemory memory;
  MacroEditor editor{library, *this, *this, clock, memory, *this};
};

TEST(MacroEditor, RecordsStepsWithTheirDelays) {
  const std::tuple<const char*, std::string, int, int, const char*, std::string> cases[] = {
      {"empty macro: the wait before the first event is dropped", "", -1, kRecordedDelay,
       "A+500 A-120 B+300 B-80", "4+120 4-300 5+80 5-10"},
      {"a held key repeats its press", "", -1, kRecordedDelay, "A+0 A+30 A+30 A-40", "4+100 4-10"},
      {"after a middle step, the waits go into the recorded steps only",
       "6+100 6-200 7+300 7-400 8+500", 1, kRecordedDelay, "A+2000 A-150",
       "6+100 6-200 4+150 4-10 7+300 7-400 8+500"},
      {"after the last step, which keeps its delay", "6+100 6-200", 1, kRecordedDelay, "A+900 A-50",
       "6+100 6-200 4+50 4-10"},
      {"no step selected: appended, nothing cleared", "6+100 6-200", -1, kRecordedDelay,
       "A+900 A-50", "6+100 6-200 4+50 4-10"},
      {"70 s in mode 0", "", -1, kRecordedDelay, "A+0 A-70000", "4+65535 4-10"},
      {"cut at 46 steps: a press without its release goes", Alternating(43), -1, kNoDelay,
       "A+0 B+0 A-0 B-0", Alternating(43) + "4+10 4-10"},
      {"a key held past the stop goes, its wait passes to the step before", "", -1, kRecordedDelay,
       "A+0 B+100 A-50", "4+150 4-10"},
  };
  for (const auto& [what, steps, selected, mode, events, stored] : cases) {
    SCOPED_TRACE(what);
    Bench bench({{u"M", steps}});
    bench.editor.SelectStep(selected);
    bench.editor.SetDelayMode(mode);
    bench.editor.FinishDefaultDelayEdit("250");
    bench.Record(events);
    EXPECT_EQ(bench.Stored(), stored);
  }
}

// The window manager's close button lies outside the window, where clicks count: its click goes
// when it closes the window.
TEST(MacroEditor, TheClickThatEndsARecordingIsNoStep) {
  Bench bench({{u"M", ""}});
  bench.editor.SetDelayMode(kNoDelay);
  bench.editor.ToggleRecording();
  bench.editor.SetPointerOverStopButton(false);  // it has left the record button
  const Event clicks[] = {{523, 2}, {524, 2}, {516, 0}, {517, 0}, {513, 0}, {514, 0}};
  for (Event e : clicks) bench.Send(e);
  bench.editor.Close(true);
  EXPECT_EQ(bench.Stored(), "244+10 244-10 242+10 242-10");
}

// A new recording takes a repeat of the last one's last event; selecting another macro leaves no
// insertion point behind.
TEST(MacroEditor, RecordingsAndInsertionsLandWhereTheyShould) {
  Bench bench({{u"A", "6+100 6-200 7+300"}, {u"B", "8+10"}});
  bench.editor.SetDelayMode(kNoDelay);
  bench.editor.SelectStep(0);
  bench.Record("A+0 A-0");
  bench.Record("A-0");
  EXPECT_EQ(bench.Stored(), "6+100 4+10 4-10 4-10 6-200 7+300");
  EXPECT_EQ(bench.scrolled_to, 3);
  bench.editor.SelectMacro(1);
  bench.editor.InsertClick(0);
  EXPECT_EQ(bench.Stored(1), "8+10 241+10 241-10");
}

// The mouse page shows the delay stored, the key page what was typed; the last step's delay is
// not editable.
TEST(MacroEditor, DelayFieldsAreClamped) {
  for (const auto& [row, typed, shown, stored] : {
           std::tuple(0, "5", "10", "241+10 241-100 4+100 4-100"),
           {0, "70000", "65535", "241+65535 241-100 4+100 4-100"},
           {2, "5", "5", "241+100 241-100 4+10 4-100"},
           {2, "x", "x", "241+100 241-100 4+10 4-100"},
           {3, "500", "10", "241+100 241-100 4+100 4-100"},
       }) {
    Bench bench({{u"M", "241+100 241-100 4+100 4-100"}});
    bench.editor.SelectStep(row);
    bench.editor.SetStepEditorOpen(true);
    EXPECT_EQ(bench.step_page.delay_editable, row != 3);
    EXPECT_EQ(bench.editor.FinishDelayEdit(typed), shown) << typed;
    EXPECT_EQ(bench.Stored(), stored);
  }
  Bench bench({{u"M", ""}});
  EXPECT_EQ(bench.editor.FinishDefaultDelayEdit("5"), "10");
  EXPECT_EQ(bench.editor.FinishDefaultDelayEdit("70000"), "65535");
  bench.editor.InsertClick(0);
  EXPECT_EQ(bench.Stored(), "241+65535 241-65535");
}

TEST(MacroEditor, MovingTheLastStepUpAndDownKeepsBothDelays) {
  Bench bench({{u"M", "4+100 4-200 5+300 5-400"}});
  bench.editor.MoveStepUp();
  EXPECT_EQ(bench.Stored(), "4+100 4-200 5-400 5+300");
  EXPECT_EQ(bench.rows[2].delay_text + "/" + bench.rows[3].delay_text, "400/10");
  bench.editor.MoveStepDown();
  EXPECT_EQ(bench.Stored(), "4+100 4-200 5+300 5-400");
}

// A click needs two free slots; a change beyond 47 entries or whose save fails is undone.
TEST(MacroEditor, AChangeWithoutRoomOrAFailedSaveIsUndone) {
  for (auto [count, after] : {std::pair(44, 46), std::pair(45, 45)}) {
    Bench bench({{u"M", Alternating(count)}});
    bench.editor.InsertClick(1);
    EXPECT_EQ(bench.library.store.macros[0]->action_count, after);
  }
  const std::string long_steps = Alternating(22, "2000") + "6+10 6+10 6-10";  // 47 entries
  Bench click({{u"M", long_steps}});
  click.editor.FinishDefaultDelayEdit("2000");
  click.editor.SelectStep(0);
  click.editor.InsertClick(0);
  Bench delay({{u"M", long_steps}});
  delay.editor.SelectStep(22);
  delay.editor.FinishDelayEdit("5000");
  Bench failed({{u"M", "4+10 4-10"}});
  failed.library.fail_saves = true;
  failed.editor.ClearSteps();
  EXPECT_EQ(failed.told, std::vector<std::string>{"read-only"});
  for (Bench* bench : {&click, &delay}) {
    EXPECT_EQ(std::tuple(bench->Stored(), bench->Working(), bench->rows.size()),
              std::tuple(long_steps, long_steps, 25u));
  }
  EXPECT_EQ(failed.Working(), "4+10 4-10");
}

TEST(MacroEditor, NamesAreShortenedBeforeTheyAreChecked) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"ABCDEFGHIJKLMNOPQRSTUVWXYZ", u"Macro1"},  // taken once cut to 23 units
      {u"MACRO1", u"Macro1"},
      {u"", u"Macro1"},     // the buttons that play it would lose it
      {u"DUP", u"Macro1"},  // another program stored Dup meanwhile
  };
  for (const auto& [typed, shown] : cases) {
    Bench bench({{u"Macro1", ""}, {u"ABCDEFGHIJKLMNOPQRSTUVW", ""}});
    bench.library.other_program = [](MacroStore& store) {  // found on disk by the rename
      store.macros.push_back(MakeEmptyMacro(u"Dup"));
    };
    EXPECT_EQ(bench.editor.FinishNameEdit(typed), shown);
    EXPECT_EQ(MacroName(*bench.library.store.macros[0]) + bench.names[0], shown + shown);
  }
}

// After the key field listens again, a release whose press came before (the Shift of Shift+Tab) is
// no key.
TEST(MacroEditor, TheKeyFieldListensOnlyWhileTheWindowIsActive) {
  Bench bench({{u"M", "4+10 4-10"}});
  bench.editor.SelectStep(0);
  bench.editor.SetStepEditorOpen(true);
  bench.editor.SetKeyFieldFocus(true);
  bench.editor.SetWindowActive(false);
  EXPECT_FALSE(bench.installed || bench.keys);
  bench.editor.SetWindowActive(true);
  bench.Send({'B', 1});
  EXPECT_TRUE(bench.keys && bench.Stored() == "4+10 4-10") << bench.Stored();
}

// Edits reach exactly the macro the user selected, in a store another program wrote (names that
// differ only in case, or not at all) and changed meanwhile.
TEST(MacroEditor, EditsReachExactlyTheSelectedMacro) {
  Bench bench({{u"Renamed", "7+10 7-10"}, {u"RENAMED", "4+10"}, {u"J", "5+10"}, {u"J", "6+10"}});
  bench.editor.SelectMacro(1);
  bench.editor.ClearSteps();
  bench.editor.SelectMacro(3);
  bench.library.other_program = [](MacroStore& store) {
    store.macros.insert(store.macros.begin(), MakeEmptyMacro(u"New"));
  };
  bench.editor.ClearSteps();
  EXPECT_EQ(bench.macro_row, 4);
  for (auto [row, steps] : {std::pair(1, "7+10 7-10"), {2, ""}, {3, "5+10"}, {4, ""}})
    EXPECT_EQ(bench.Stored(row), steps) << row;
}

}  // namespace
}  // namespace melko
