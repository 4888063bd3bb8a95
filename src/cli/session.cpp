#include "cli/session.h"

#include <unistd.h>

#include <ostream>

#include "common/text.h"
#include "profiles/data_folder.h"
#include "profiles/names.h"
#include "profiles/profile_session.h"

namespace melko::cli {

Session::Session(Options options, std::ostream& out, std::ostream& err)
    : options_(std::move(options)), out_(out), err_(err) {}

void Session::ResolveDataFolder() {
  std::string error;
  data_folder_ = options_.data_folder.empty() ? GetDataFolder(&error) : options_.data_folder;
  if (!error.empty()) throw Refused(error);
}

void Session::Open(Access access) {
  ResolveDataFolder();
  const std::filesystem::path store_folder = StoreFolder(data_folder_);
  if (const std::string why = UnreadableStoreReason(data_folder_); !why.empty()) throw Refused(why);

  // A folder this user may not write still serves the commands that only read.
  const Outcome folder = EnsureDirectory(store_folder);
  const bool writable = folder.ok && ::access(store_folder.c_str(), W_OK) == 0;
  if (access == Access::kWrite && !writable) {
    if (!folder.ok) throw Refused("cannot create the data folder: " + folder.error);
    throw Refused("the data folder " + store_folder.string() +
                  " is read-only; nothing was changed");
  }
  lock_ = std::make_unique<ExclusiveFileLock>(
      StoreLockPath(data_folder_),
      writable ? ExclusiveFileLock::Mode::kExclusive : ExclusiveFileLock::Mode::kShared);
  if (!lock_->locked()) throw Refused("cannot lock the stores: " + lock_->error());

  std::error_code error;
  if (!writable && !std::filesystem::exists(ProfileStorePath(data_folder_), error)) {
    AddDefaultProfile(profiles_);  // shown, not saved
  } else {
    ReportLoad(LoadProfiles(profiles_, data_folder_), "profile store");
  }
  ReportLoad(LoadMacros(macros_, data_folder_), "macro store");
}

void Session::ReportLoad(const StoreLoadReport& report, const char* what) {
  switch (report.status) {
    case StoreLoadStatus::kLoaded:
    case StoreLoadStatus::kCreated:
      break;
    case StoreLoadStatus::kRepaired:
      err_ << "melkoctl: the " << what << " was damaged (" << report.detail
           << "); the damaged file was kept as " << report.damaged_copy.string() << '\n';
      break;
    case StoreLoadStatus::kUnreadable:
      throw Refused(std::string("cannot read the ") + what + ": " + report.detail);
  }
  if (!report.saved.ok)
    throw Refused(std::string("cannot write the ") + what + ": " + report.saved.error);
}

void Session::SaveProfileStore() {
  const Outcome saved = SaveProfiles(profiles_, data_folder_);
  if (!saved.ok) throw Refused("cannot save the profile store: " + saved.error);
}

void Session::SaveMacroStore() {
  const Outcome saved = SaveMacros(macros_, data_folder_);
  if (!saved.ok) throw Refused("cannot save the macro store: " + saved.error);
}

std::size_t Session::FindProfile(const std::string& name) {
  const int found = FindName(profiles_.profiles, Utf8ToUtf16(name));
  if (found >= 0) return std::size_t(found);
  throw Refused("no profile named \"" + name + "\"");
}

std::size_t Session::FindMacroNamed(const std::string& name) {
  const int found = FindMacro(macros_, Utf8ToUtf16(name));
  if (found < 0) throw Refused("no macro named \"" + name + "\"");
  return std::size_t(found);
}

namespace {

template <class Record>
std::u16string CheckNewName(const std::vector<std::unique_ptr<Record>>& list,
                            const std::string& name, std::size_t max_units, const char* what) {
  if (!IsValidUtf8(name)) throw Refused(std::string("a ") + what + " name must be valid UTF-8");
  const std::u16string converted = Utf8ToUtf16(name);
  if (converted.empty()) throw Refused(std::string("a ") + what + " name cannot be empty");
  if (converted.size() > max_units) {
    throw Refused(std::string("a ") + what + " name has at most " + std::to_string(max_units) +
                  " UTF-16 code units; a character beyond the Basic Multilingual Plane, such as "
                  "an emoji, takes two");
  }
  if (NameExists(list, converted)) {
    throw Refused(std::string("a ") + what + " named \"" + name +
                  "\" already exists (letter case does not count)");
  }
  return converted;
}

}  // namespace

std::u16string Session::CheckNewProfileName(const std::string& name) {
  return CheckNewName(profiles_.profiles, name, kProfileNameMaxUnits, "profile");
}

std::u16string Session::CheckNewMacroName(const std::string& name) {
  return CheckNewName(macros_.macros, name, kMacroNameMaxUnits, "macro");
}

void ExpectArgs(const std::vector<std::string>& args, std::size_t min, std::size_t max,
                const char* usage) {
  if (args.size() < min || args.size() > max) throw UsageError(std::string("usage: ") + usage);
}

}  // namespace melko::cli
