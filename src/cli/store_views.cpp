#include "cli/store_views.h"

#include <ostream>

#include "cli/json_writer.h"
#include "cli/profile_view.h"
#include "common/text.h"
#include "input/key_names.h"
#include "macros/macro_files.h"

namespace melko::cli {
namespace {

std::string ProfileNameText(const ProfileRecord& record) {
  return Utf16ToUtf8(ProfileName(record));
}

std::string MacroNameText(const MacroRecord& record) {
  return Utf16ToUtf8(MacroName(record));
}

// A step's key or mouse button by name; a code without a name is shown by number.
std::string StepCodeText(int code) {
  const std::string name = UsageToKeyName(CurrentKeyboardLayout(), std::uint32_t(code));
  return name.empty() ? "usage " + std::to_string(code) : name;
}

}  // namespace

void ListProfiles(Session& session) {
  session.Open(Access::kRead);
  ProfileStore& store = session.profiles();
  const std::size_t selected = store.SelectedPosition();
  if (session.options().json) {
    JsonWriter json(session.out());
    json.BeginObject().Field("selected", selected).Key("profiles").BeginArray();
    for (std::size_t i = 0; i < store.profiles.size(); ++i) {
      json.BeginObject()
          .Field("index", i)
          .Field("name", ProfileNameText(*store.profiles[i]))
          .Field("selected", i == selected)
          .EndObject();
    }
    json.EndArray().EndObject().Finish();
    return;
  }
  for (std::size_t i = 0; i < store.profiles.size(); ++i) {
    session.out() << i << ' ' << (i == selected ? '*' : ' ') << ' '
                  << ProfileNameText(*store.profiles[i]) << '\n';
  }
}

void ShowProfile(Session& session, const std::vector<std::string>& args) {
  ExpectArgs(args, 0, 1, "melkoctl profile show [NAME]");
  session.Open(Access::kRead);
  const std::size_t index =
      args.empty() ? session.profiles().SelectedPosition() : session.FindProfile(args[0]);
  const bool selected = index == session.profiles().SelectedPosition();
  const ProfileRecord& record = *session.profiles().profiles[index];
  if (session.options().json) {
    PrintProfileJson(session.out(), record, selected);
  } else {
    PrintProfile(session.out(), record, selected);
  }
}

void ListMacros(Session& session) {
  session.Open(Access::kRead);
  const MacroStore& store = session.macros();
  if (session.options().json) {
    JsonWriter json(session.out());
    json.BeginObject().Key("macros").BeginArray();
    for (std::size_t i = 0; i < store.macros.size(); ++i) {
      json.BeginObject()
          .Field("index", i)
          .Field("name", MacroNameText(*store.macros[i]))
          .Field("steps", store.macros[i]->StepCount())
          .EndObject();
    }
    json.EndArray().EndObject().Finish();
    return;
  }
  for (std::size_t i = 0; i < store.macros.size(); ++i) {
    session.out() << i << ' ' << MacroNameText(*store.macros[i]) << '\n';
  }
}

void ShowMacro(Session& session, const std::vector<std::string>& args) {
  ExpectArgs(args, 1, 1, "melkoctl macro show NAME");
  session.Open(Access::kRead);
  const MacroRecord& record = *session.macros().macros[session.FindMacroNamed(args[0])];
  if (session.options().json) {
    JsonWriter json(session.out());
    json.BeginObject()
        .Field("name", MacroNameText(record))
        .Field("device_entries", DeviceEntryCount(record))
        .Key("steps")
        .BeginArray();
    for (int i = 0; i < record.StepCount(); ++i) {
      const MacroAction& step = record.actions[std::size_t(i)];
      json.BeginObject()
          .Field("code", int(step.code))
          .Field("name", StepCodeText(step.code))
          .Field("action", step.type == kMacroStepPress ? "press" : "release")
          .Field("delay_ms", int(step.delay))
          .EndObject();
    }
    json.EndArray().EndObject().Finish();
    return;
  }
  session.out() << "Macro: " << MacroNameText(record) << " (" << record.StepCount() << " steps)\n";
  for (int i = 0; i < record.StepCount(); ++i) {
    const MacroAction& step = record.actions[std::size_t(i)];
    session.out() << "  " << i + 1 << "  " << StepCodeText(step.code) << "  "
                  << (step.type == kMacroStepPress ? "press" : "release") << "  " << step.delay
                  << " ms\n";
  }
}

}  // namespace melko::cli
