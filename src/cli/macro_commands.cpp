#include <ostream>

#include "cli/device_commands.h"
#include "cli/session.h"
#include "cli/store_views.h"
#include "common/text.h"
#include "input/key_names.h"
#include "macros/macro_files.h"
#include "profiles/store_merge.h"

namespace melko::cli {
namespace {

std::string NameOf(const MacroRecord& record) {
  return Utf16ToUtf8(MacroName(record));
}

// Brings the macro copies of the profiles in line with the store, as after the macro editor, and
// sends the selected profile's buttons when they changed.
void RefreshAssignments(Session& session, const DeviceOptions& options) {
  ProfileStore& profiles = session.profiles();
  const ProfileRecord before = *profiles.Selected();
  RefreshMacroAssignments(profiles.profiles, session.macros(), profiles.Selected());
  session.SaveProfileStore();
  if (!SameProfileBytes(before, *profiles.Selected())) {
    SendSelectedProfile(session, options, before, session.err());
  }
}

void Add(Session& session, const DeviceOptions& options) {
  const std::vector<std::string>& args = options.rest;
  ExpectArgs(args, 0, 1, "melkoctl macro add [NAME]");
  session.Open(Access::kWrite);
  MacroStore& store = session.macros();
  if (args.empty()) {
    AppendNewMacro(store);
  } else {
    store.macros.push_back(MakeEmptyMacro(session.CheckNewMacroName(args[0])));
  }
  session.SaveMacroStore();
  session.out() << NameOf(*store.macros.back()) << '\n';
}

void Rename(Session& session, const DeviceOptions& options) {
  const std::vector<std::string>& args = options.rest;
  ExpectArgs(args, 2, 2, "melkoctl macro rename NAME NEW");
  session.Open(Access::kWrite);
  const int index = int(session.FindMacroNamed(args[0]));
  const std::u16string new_name = session.CheckNewMacroName(args[1]);
  RenameMacroInProfiles(session.profiles().profiles, session.macros(), index, new_name);
  SetMacroName(*session.macros().macros[std::size_t(index)], new_name);
  session.SaveMacroStore();
  RefreshAssignments(session, options);
}

void Delete(Session& session, const DeviceOptions& options) {
  ExpectArgs(options.rest, 1, 1, "melkoctl macro delete NAME");
  session.Open(Access::kWrite);
  MacroStore& store = session.macros();
  store.macros.erase(store.macros.begin() +
                     std::ptrdiff_t(session.FindMacroNamed(options.rest[0])));
  session.SaveMacroStore();
  RefreshAssignments(session, options);
}

void Export(Session& session, const DeviceOptions& options) {
  const std::vector<std::string>& args = options.rest;
  ExpectArgs(args, 2, 2, "melkoctl macro export NAME FILE");
  session.Open(Access::kRead);
  const MacroRecord& record = *session.macros().macros[session.FindMacroNamed(args[0])];
  const Outcome written = ExportMacro(record, args[1]);
  if (!written.ok) throw Refused("cannot write the macro file: " + written.error);
}

void Import(Session& session, const DeviceOptions& options) {
  const std::vector<std::string>& args = options.rest;
  ExpectArgs(args, 1, 1, "melkoctl macro import FILE");
  session.Open(Access::kWrite);
  const MacroImport imported = ImportMacro(session.macros(), args[0]);
  if (!imported.outcome.ok) {
    throw Refused("cannot import " + args[0] + ": " + imported.outcome.error);
  }
  session.SaveMacroStore();
  session.out() << NameOf(*session.macros().macros[imported.macro_index]) << '\n';
}

}  // namespace

void RunMacroCommand(Session& session, const std::vector<std::string>& args) {
  if (args.empty()) throw UsageError("macro: a subcommand is missing");
  const std::string& verb = args[0];
  // Renaming or deleting a macro the selected profile plays sends its buttons: --wait, --debug.
  const DeviceOptions options =
      ParseDeviceOptions(std::vector<std::string>(args.begin() + 1, args.end()), 3);
  if (verb == "add") return Add(session, options);
  if (verb == "rename") return Rename(session, options);
  if (verb == "delete") return Delete(session, options);
  if (verb == "export") return Export(session, options);
  if (verb == "import") return Import(session, options);
  if (verb == "show") return ShowMacro(session, options.rest);
  throw UsageError("macro: unknown subcommand \"" + verb + "\"");
}

}  // namespace melko::cli
