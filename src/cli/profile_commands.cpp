#include <ostream>

#include "cli/device_commands.h"
#include "cli/session.h"
#include "cli/store_views.h"
#include "common/text.h"
#include "profiles/profile_files.h"

namespace melko::cli {
namespace {

std::string NameOf(const ProfileRecord& record) {
  return Utf16ToUtf8(ProfileName(record));
}

// The selected profile is another one now: the mouse gets it in full.
void SendNewSelection(Session& session, const DeviceOptions& options) {
  SendSelectedProfile(session, options, std::nullopt, session.err());
}

void Add(Session& session, const DeviceOptions& options) {
  const std::vector<std::string>& args = options.rest;
  ExpectArgs(args, 0, 1, "melkoctl profile add [NAME]");
  session.Open(Access::kWrite);
  ProfileStore& store = session.profiles();
  if (args.empty()) {
    AddDefaultProfile(store);
  } else {
    store.profiles.push_back(MakeDefaultProfile(session.CheckNewProfileName(args[0])));
  }
  store.selected_index = std::uint32_t(store.profiles.size() - 1);
  session.SaveProfileStore();
  session.out() << NameOf(*store.profiles.back()) << std::endl;
  SendNewSelection(session, options);
}

void Select(Session& session, const DeviceOptions& options) {
  ExpectArgs(options.rest, 1, 1, "melkoctl profile select NAME");
  session.Open(Access::kWrite);
  session.profiles().selected_index = std::uint32_t(session.FindProfile(options.rest[0]));
  session.SaveProfileStore();
  SendNewSelection(session, options);
}

void Rename(Session& session, const DeviceOptions& options) {
  const std::vector<std::string>& args = options.rest;
  ExpectArgs(args, 2, 2, "melkoctl profile rename NAME NEW");
  session.Open(Access::kWrite);
  const std::size_t index = session.FindProfile(args[0]);
  // The check covers the renamed profile too: its own name in another case is refused.
  const std::u16string new_name = session.CheckNewProfileName(args[1]);
  SetProfileName(*session.profiles().profiles[index], new_name);
  session.SaveProfileStore();
}

void Delete(Session& session, const DeviceOptions& options) {
  ExpectArgs(options.rest, 1, 1, "melkoctl profile delete NAME");
  session.Open(Access::kWrite);
  ProfileStore& store = session.profiles();
  const std::size_t index = session.FindProfile(options.rest[0]);
  if (store.profiles.size() < 2) throw Refused("the last profile cannot be deleted");
  const std::size_t selected = store.SelectedPosition();
  store.profiles.erase(store.profiles.begin() + std::ptrdiff_t(index));
  // Deleting the selected profile selects the one now at its place, or the one before it when it
  // was the last; deleting another profile keeps the same profile selected.
  std::size_t now_selected = selected;
  if (index < selected) now_selected = selected - 1;
  if (now_selected >= store.profiles.size()) now_selected = store.profiles.size() - 1;
  store.selected_index = std::uint32_t(now_selected);
  session.SaveProfileStore();
  if (index == selected) SendNewSelection(session, options);
}

void Reset(Session& session, const DeviceOptions& options) {
  ExpectArgs(options.rest, 0, 1, "melkoctl profile reset [NAME]");
  session.Open(Access::kWrite);
  const std::size_t index = options.rest.empty() ? session.profiles().SelectedPosition()
                                                 : session.FindProfile(options.rest[0]);
  SetDefaults(*session.profiles().profiles[index]);
  session.SaveProfileStore();
  // As after a restore on the page: the whole profile is written again.
  if (index == session.profiles().SelectedPosition()) SendNewSelection(session, options);
}

void Export(Session& session, const DeviceOptions& options) {
  const std::vector<std::string>& args = options.rest;
  ExpectArgs(args, 2, 2, "melkoctl profile export NAME FILE");
  session.Open(Access::kRead);
  const std::size_t index = session.FindProfile(args[0]);
  const Outcome written = ExportProfile(*session.profiles().profiles[index], args[1]);
  if (!written.ok) throw Refused("cannot write the profile file: " + written.error);
}

void Import(Session& session, const DeviceOptions& options) {
  const std::vector<std::string>& args = options.rest;
  ExpectArgs(args, 1, 1, "melkoctl profile import FILE");
  session.Open(Access::kWrite);
  ProfileStore& store = session.profiles();
  const ProfileImport imported = ImportProfile(store, session.macros(), args[0]);
  if (!imported.outcome.ok)
    throw Refused("cannot import " + args[0] + ": " + imported.outcome.error);
  store.selected_index = std::uint32_t(imported.profile_index);
  // Macros first: the profile then names macros that are already stored.
  if (imported.macros_created > 0) session.SaveMacroStore();
  session.SaveProfileStore();
  session.out() << NameOf(*store.profiles[imported.profile_index]) << std::endl;
  SendNewSelection(session, options);
}

}  // namespace

void RunProfileCommand(Session& session, const std::vector<std::string>& args) {
  if (args.empty()) throw UsageError("profile: a subcommand is missing");
  const std::string& verb = args[0];
  // The commands that change the selected profile send it to the mouse: --wait and --debug.
  const DeviceOptions options =
      ParseDeviceOptions(std::vector<std::string>(args.begin() + 1, args.end()), 3);
  if (verb == "add") return Add(session, options);
  if (verb == "select") return Select(session, options);
  if (verb == "rename") return Rename(session, options);
  if (verb == "delete") return Delete(session, options);
  if (verb == "reset") return Reset(session, options);
  if (verb == "export") return Export(session, options);
  if (verb == "import") return Import(session, options);
  if (verb == "show") return ShowProfile(session, options.rest);
  throw UsageError("profile: unknown subcommand \"" + verb + "\"");
}

}  // namespace melko::cli
