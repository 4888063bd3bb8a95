#include "cli/setting_edits.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <utility>

#include "cli/session.h"
#include "common/text.h"
#include "input/button_assignment.h"
#include "input/button_functions.h"
#include "input/key_names.h"
#include "profiles/store_merge.h"

namespace melko::cli {
namespace {

long ParseNumber(const std::string& word, const char* what) {
  long value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size()) {
    throw UsageError(std::string(what) + ": \"" + word + "\" is not a number");
  }
  return value;
}

int Ranged(const std::string& word, const char* what, long low, long high) {
  const long value = ParseNumber(word, what);
  if (value < low || value > high) {
    throw Refused(std::string(what) + " must be " + std::to_string(low) + " to " +
                  std::to_string(high));
  }
  return int(value);
}

Colour ParseColour(const std::string& word) {
  Colour colour = 0;
  if (!ParseHexColour(word, colour)) throw Refused("a colour is written #RRGGBB");
  return colour;
}

bool OnOff(const std::string& word, const char* what) {
  if (word == "on") return true;
  if (word == "off") return false;
  throw UsageError(std::string(what) + " takes on or off");
}

void Expect(const std::vector<std::string>& words, std::size_t min, std::size_t max,
            const char* usage) {
  if (words.size() < min || words.size() > max) {
    throw UsageError(std::string("usage: melkoctl set ") + usage);
  }
}

bool SameText(std::string_view a, std::string_view b) {
  return EqualsIgnoreCase(Utf8ToUtf16(a), Utf8ToUtf16(b));
}

// A menu item's short name: "ms_1_dpi_cycle" is also "dpi-cycle". The menu items keep their
// historical spellings; the short names are spelt out.
std::string Alias(std::string_view menu_item) {
  std::string alias(menu_item.substr(menu_item.rfind("ms_1_", 0) == 0 ? 5 : 0));
  std::replace(alias.begin(), alias.end(), '_', '-');
  static constexpr std::pair<std::string_view, std::string_view> kSpelledOut[] = {
      {"titl-left", "tilt-left"}, {"titl-right", "tilt-right"}, {"pre-track", "previous-track"}};
  for (const auto& [old_spelling, spelled_out] : kSpelledOut) {
    if (alias == old_spelling) return std::string(spelled_out);
  }
  return alias;
}

// The short name as it was first spelt ("titl-left"), still accepted.
std::string MenuSpelling(std::string_view menu_item) {
  std::string alias(menu_item.substr(menu_item.rfind("ms_1_", 0) == 0 ? 5 : 0));
  std::replace(alias.begin(), alias.end(), '_', '-');
  return alias;
}

std::string MenuItemOf(const std::string& word) {
  for (const ButtonFunction& function : ButtonFunctionTable()) {
    if (function.menu_item.empty() || function.code == kFunctionShortcut ||
        function.code == kFunctionMacro) {
      continue;
    }
    if (SameText(word, function.menu_item) || SameText(word, Alias(function.menu_item)) ||
        SameText(word, MenuSpelling(function.menu_item))) {
      return std::string(function.menu_item);
    }
  }
  throw Refused("unknown button function \"" + word + "\"; see melkoctl --help");
}

// "Ctrl+Alt+F5": modifiers and one key, named as melkoctl keys names them.
ShortcutFields ParseShortcut(const std::string& text) {
  ShortcutFields fields{{false, false, false, false}, 0};
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('+', start);
    if (end == start && end != std::string::npos) end = text.find('+', start + 1);  // "Ctrl++"
    const std::string part = text.substr(start, end == std::string::npos ? end : end - start);
    start = end == std::string::npos ? text.size() + 1 : end + 1;
    if (SameText(part, "ctrl") || SameText(part, "control")) {
      fields.modifiers[0] = true;
    } else if (SameText(part, "shift")) {
      fields.modifiers[1] = true;
    } else if (SameText(part, "alt")) {
      fields.modifiers[2] = true;
    } else if (SameText(part, "super") || SameText(part, "win") || SameText(part, "meta")) {
      fields.modifiers[3] = true;
    } else {
      if (fields.key != 0) throw Refused("a shortcut has one key besides its modifiers");
      for (std::uint32_t usage = 1; usage < 232 && fields.key == 0; ++usage) {
        const std::string name = UsageToKeyName(CurrentKeyboardLayout(), usage);
        if (!name.empty() && SameText(name, part)) fields.key = std::uint8_t(usage);
      }
      if (fields.key == 0) {
        throw Refused("no key is named \"" + part + "\"; melkoctl keys lists the names");
      }
    }
  }
  if (fields.key == 0 && std::none_of(fields.modifiers.begin(), fields.modifiers.end(),
                                      [](bool set) { return set; })) {
    throw Refused("a shortcut needs a key or a modifier");
  }
  return fields;
}

// Answers the assignment's dialogs from the command line's words.
struct ArgumentAnswers : ShortcutCapture, MacroChoice, WarningMessage, ApplyRequester {
  bool Capture(ShortcutFields& fields) override {
    fields = shortcut;
    return true;
  }
  bool Choose(const MacroStore&, MacroChoiceFields& fields) override {
    fields = macro;
    return true;
  }
  void Show(std::string_view, std::string_view text_key) override { warning = text_key; }
  void RequestApply() override {}  // the command applies once the edit is saved
  ShortcutFields shortcut{};
  MacroChoiceFields macro{-1, 0, 1};
  std::string warning;
};

std::function<void(ProfileRecord&)> ButtonEdit(const std::vector<std::string>& words,
                                               const MacroStore& macros) {
  Expect(words, 3, 6, "button N FUNCTION | shortcut KEYS | macro NAME [repeat N|mode 1|mode 2]");
  const int button = Ranged(words[1], "the button", 1, kMouseButtonCount) - 1;
  auto answers = std::make_shared<ArgumentAnswers>();
  std::string item;
  if (words[2] == "shortcut") {
    Expect(words, 4, 4, "button N shortcut KEYS");
    answers->shortcut = ParseShortcut(words[3]);
    item = "ms_1_shortcut";
  } else if (words[2] == "macro") {
    Expect(words, 4, 6, "button N macro NAME [repeat N|mode 1|mode 2]");
    const int index = FindMacro(macros, Utf8ToUtf16(words[3]));
    if (index < 0) throw Refused("no macro named \"" + words[3] + "\"");
    answers->macro.macro_index = index;
    if (words.size() == 6 && words[4] == "repeat") {
      answers->macro.repeat_count = Ranged(words[5], "the repeat count", 1, 255);
    } else if (words.size() == 6 && words[4] == "mode") {
      answers->macro.mode = Ranged(words[5], "the macro mode", 1, 2);
    } else if (words.size() != 4) {
      throw UsageError("usage: melkoctl set button N macro NAME [repeat N|mode 1|mode 2]");
    }
    item = "ms_1_select_macro";
  } else {
    Expect(words, 3, 3, "button N FUNCTION");
    item = MenuItemOf(words[2]);
  }
  return [button, item, answers, &macros](ProfileRecord& record) {
    const AssignmentPorts ports{*answers, *answers, *answers, *answers};
    if (AssignButtonFunction(record, button, item, macros, ports) ==
        AssignmentOutcome::kLeftClickRequired) {
      throw Refused("one of buttons 1 to 16 must keep the left click");
    }
  };
}

}  // namespace

std::function<void(ProfileRecord&)> ParseSettingEdit(const std::vector<std::string>& words,
                                                     const MacroStore& macros) {
  if (words.empty()) throw UsageError("set: a setting is missing");
  const std::string& what = words[0];
  if (what == "dpi") {
    Expect(words, 3, 3, "dpi STAGE DPI");
    const int stage = Ranged(words[1], "the stage", 1, kDpiStageCount) - 1;
    const int value = DpiToStageValue(Ranged(words[2], "the DPI", 50, 12000));
    return [stage, value](ProfileRecord& r) { r.dpi_value[std::size_t(stage)] = value; };
  }
  if (what == "stage") {
    Expect(words, 2, 2, "stage N");
    const int stage = Ranged(words[1], "the stage", 1, kDpiStageCount) - 1;
    return [stage](ProfileRecord& r) {
      // A stage that is off is not in the mouse's cycle.
      if (!StageIsOn(r, stage)) throw Refused("stage " + std::to_string(stage + 1) + " is off");
      r.dpi_step = stage;
    };
  }
  if (what == "stage-enable") {
    Expect(words, 3, 3, "stage-enable STAGE on|off");
    const int stage = Ranged(words[1], "the stage", 1, kDpiStageCount) - 1;
    const bool on = OnOff(words[2], "stage-enable");
    return [stage, on](ProfileRecord& r) {
      if (!on) {
        if (const char* why = StageOffRefusal(r, stage)) {
          throw Refused("stage " + std::to_string(stage + 1) + " stays on: " + why);
        }
      }
      SwitchStage(r, stage, on);
    };
  }
  if (what == "dpi-color") {
    Expect(words, 3, 3, "dpi-color STAGE #RRGGBB");
    const int stage = Ranged(words[1], "the stage", 1, kDpiStageCount) - 1;
    const Colour colour = ParseColour(words[2]);
    return [stage, colour](ProfileRecord& r) { r.dpi_color[std::size_t(stage)] = colour; };
  }
  if (what == "rate") {
    Expect(words, 2, 2, "rate 125|250|500|1000");
    static constexpr int kRates[] = {125, 250, 500, 1000};
    const long hz = ParseNumber(words[1], "the rate");
    const auto found = std::find(std::begin(kRates), std::end(kRates), hz);
    if (found == std::end(kRates)) throw Refused("the rate must be 125, 250, 500 or 1000");
    const int prate = int(found - std::begin(kRates));
    return [prate](ProfileRecord& r) { r.prate = prate; };
  }
  if (what == "light") {
    if (words.size() < 2 || words.size() % 2 != 0) {
      throw UsageError("usage: melkoctl set light MODE [brightness N] [speed N] [color #RRGGBB]");
    }
    const int mode = Ranged(words[1], "the light mode", 0, 15);
    std::vector<std::function<void(ProfileRecord&)>> parts;
    for (std::size_t i = 2; i < words.size(); i += 2) {
      if (words[i] == "brightness") {
        const int value = Ranged(words[i + 1], "the brightness", 0, 15);
        parts.push_back([value](ProfileRecord& r) { r.brightness = value; });
      } else if (words[i] == "speed") {
        const int value = Ranged(words[i + 1], "the speed", 0, 9);
        parts.push_back([value](ProfileRecord& r) { r.breathspeed = value; });
      } else if (words[i] == "color" || words[i] == "colour") {
        const Colour colour = ParseColour(words[i + 1]);
        parts.push_back([colour](ProfileRecord& r) { r.light_color = colour; });
      } else {
        throw UsageError("light: unknown part \"" + words[i] + "\"");
      }
    }
    return [mode, parts](ProfileRecord& r) {
      r.light_mode = mode;
      for (const auto& part : parts) part(r);
    };
  }
  if (what == "light-off") {
    Expect(words, 2, 2, "light-off N (half minutes)");
    const int value = Ranged(words[1], "the light-off time (half minutes)", 0, 255);
    return [value](ProfileRecord& r) { r.light_off = value; };
  }
  if (what == "sleep") {
    Expect(words, 2, 2, "sleep N (minutes)");
    const int value = Ranged(words[1], "the sleep time (minutes)", 0, 255);
    return [value](ProfileRecord& r) { r.sleep_timer = value; };
  }
  if (what == "debounce") {
    Expect(words, 2, 2, "debounce MS");
    const int ms = Ranged(words[1], "the debounce (ms)", 0, 510);
    if (ms % 2 != 0) throw Refused("the debounce is set in steps of 2 ms");
    return [ms](ProfileRecord& r) { r.key_debounce = ms / 2; };
  }
  if (what == "lift-off") {
    Expect(words, 2, 2, "lift-off 1|2");
    const int choice = Ranged(words[1], "the lift-off distance", 1, 2) - 1;
    return [choice](ProfileRecord& r) { r.lift_of_distance = choice; };
  }
  if (what == "ripple") {
    Expect(words, 2, 2, "ripple on|off");
    const bool on = OnOff(words[1], "ripple");
    return [on](ProfileRecord& r) { r.ripple_control = on ? 1 : 0; };
  }
  if (what == "angle-snap") {
    Expect(words, 2, 2, "angle-snap on|off");
    const bool on = OnOff(words[1], "angle-snap");
    return [on](ProfileRecord& r) { r.angle_snap = on ? 1 : 0; };
  }
  if (what == "button") return ButtonEdit(words, macros);
  throw UsageError("set: unknown setting \"" + what + "\"");
}

std::string SetUsage() {
  std::string names;
  for (const ButtonFunction& function : ButtonFunctionTable()) {
    if (function.menu_item.empty() || function.code == kFunctionShortcut ||
        function.code == kFunctionMacro) {
      continue;
    }
    names += names.empty() ? "" : ", ";
    names += Alias(function.menu_item);
  }
  std::string wrapped = "  Button functions: ";
  std::size_t column = wrapped.size();
  for (std::size_t start = 0; start < names.size();) {
    std::size_t end = names.find(", ", start);
    const std::string word =
        names.substr(start, end == std::string::npos ? std::string::npos : end + 2 - start);
    if (column + word.size() > 98) {
      wrapped += "\n    ";
      column = 4;
    }
    wrapped += word;
    column += word.size();
    start = end == std::string::npos ? names.size() : end + 2;
  }
  return wrapped + "\n";
}

SetChange ChangeProfileForSet(Session& session, const DeviceOptions& options) {
  const auto edit = ParseSettingEdit(options.rest, session.macros());
  ProfileStore& store = session.profiles();
  const std::size_t selected = store.SelectedPosition();
  const std::size_t target =
      options.profile.empty() ? selected : session.FindProfile(options.profile);
  SetChange change{*store.profiles[target]};
  edit(*store.profiles[target]);
  change.changed = !SameProfileBytes(change.before, *store.profiles[target]);
  change.selected = target == selected;
  return change;
}

}  // namespace melko::cli
