#include <ostream>

#include "cli/json_writer.h"
#include "cli/profile_view.h"
#include "cli/session.h"
#include "common/text.h"
#include "profiles/profile_files.h"

namespace melko::cli {
namespace {

std::string NameOf(const ProfileRecord& record) {
  return Utf16ToUtf8(ProfileName(record));
}

void Add(Session& session, const std::vector<std::string>& args) {
  ExpectArgs(args, 0, 1, "melkoctl profile add [NAME]");
  ProfileStore& store = session.profiles();
  if (args.empty()) {
    AddDefaultProfile(store);
  } else {
    store.profiles.push_back(MakeDefaultProfile(session.CheckNewProfileName(args[0])));
  }
  store.selected_index = std::uint32_t(store.profiles.size() - 1);
  session.SaveProfileStore();
  session.out() << NameOf(*store.profiles.back()) << '\n';
}

void Select(Session& session, const std::vector<std::string>& args) {
  ExpectArgs(args, 1, 1, "melkoctl profile select NAME");
  session.profiles().selected_index = std::uint32_t(session.FindProfile(args[0]));
  session.SaveProfileStore();
}

void Rename(Session& session, const std::vector<std::string>& args) {
  ExpectArgs(args, 2, 2, "melkoctl profile rename NAME NEW");
  const std::size_t index = session.FindProfile(args[0]);
  // The check covers the renamed profile too: its own name in another case is refused.
  const std::u16string new_name = session.CheckNewProfileName(args[1]);
  SetProfileName(*session.profiles().profiles[index], new_name);
  session.SaveProfileStore();
}

void Delete(Session& session, const std::vector<std::string>& args) {
  ExpectArgs(args, 1, 1, "melkoctl profile delete NAME");
  ProfileStore& store = session.profiles();
  const std::size_t index = session.FindProfile(args[0]);
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
}

std::size_t NamedOrSelected(Session& session, const std::vector<std::string>& args) {
  return args.empty() ? session.profiles().SelectedPosition() : session.FindProfile(args[0]);
}

void Reset(Session& session, const std::vector<std::string>& args) {
  ExpectArgs(args, 0, 1, "melkoctl profile reset [NAME]");
  SetDefaults(*session.profiles().profiles[NamedOrSelected(session, args)]);
  session.SaveProfileStore();
}

void Export(Session& session, const std::vector<std::string>& args) {
  ExpectArgs(args, 2, 2, "melkoctl profile export NAME FILE");
  const std::size_t index = session.FindProfile(args[0]);
  const Outcome written = ExportProfile(*session.profiles().profiles[index], args[1]);
  if (!written.ok) throw Refused("cannot write the profile file: " + written.error);
}

void Import(Session& session, const std::vector<std::string>& args) {
  ExpectArgs(args, 1, 1, "melkoctl profile import FILE");
  ProfileStore& store = session.profiles();
  const ProfileImport imported = ImportProfile(store, session.macros(), args[0]);
  if (!imported.outcome.ok)
    throw Refused("cannot import " + args[0] + ": " + imported.outcome.error);
  store.selected_index = std::uint32_t(imported.profile_index);
  // Macros first: the profile then names macros that are already stored.
  if (imported.macros_created > 0) session.SaveMacroStore();
  session.SaveProfileStore();
  session.out() << NameOf(*store.profiles[imported.profile_index]) << '\n';
}

void Show(Session& session, const std::vector<std::string>& args) {
  ExpectArgs(args, 0, 1, "melkoctl profile show [NAME]");
  const std::size_t index = NamedOrSelected(session, args);
  const bool selected = index == session.profiles().SelectedPosition();
  const ProfileRecord& record = *session.profiles().profiles[index];
  if (session.options().json) {
    PrintProfileJson(session.out(), record, selected);
  } else {
    PrintProfile(session.out(), record, selected);
  }
}

}  // namespace

void ListProfiles(Session& session) {
  ProfileStore& store = session.profiles();
  const std::size_t selected = store.SelectedPosition();
  if (session.options().json) {
    JsonWriter json(session.out());
    json.BeginObject().Field("selected", selected).Key("profiles").BeginArray();
    for (std::size_t i = 0; i < store.profiles.size(); ++i) {
      json.BeginObject()
          .Field("index", i)
          .Field("name", NameOf(*store.profiles[i]))
          .Field("selected", i == selected)
          .EndObject();
    }
    json.EndArray().EndObject().Finish();
    return;
  }
  for (std::size_t i = 0; i < store.profiles.size(); ++i) {
    session.out() << i << ' ' << (i == selected ? '*' : ' ') << ' ' << NameOf(*store.profiles[i])
                  << '\n';
  }
}

void RunProfileCommand(Session& session, const std::vector<std::string>& args) {
  if (args.empty()) throw UsageError("profile: a subcommand is missing");
  const std::string& verb = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (verb == "add") return Add(session, rest);
  if (verb == "select") return Select(session, rest);
  if (verb == "rename") return Rename(session, rest);
  if (verb == "delete") return Delete(session, rest);
  if (verb == "reset") return Reset(session, rest);
  if (verb == "export") return Export(session, rest);
  if (verb == "import") return Import(session, rest);
  if (verb == "show") return Show(session, rest);
  throw UsageError("profile: unknown subcommand \"" + verb + "\"");
}

}  // namespace melko::cli
