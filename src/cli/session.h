// What every melkoctl command works on: the options, the stores loaded under the store lock, and
// the ways a command ends (a refusal with exit status 1, a usage error with exit status 2).
#pragma once

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/file_io.h"
#include "macros/macro_store.h"
#include "profiles/profile_store.h"

namespace melko::cli {

struct Refused : std::runtime_error {
  using std::runtime_error::runtime_error;
};
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Options {
  std::filesystem::path data_folder;  // empty: the user's data folder
  bool json = false;
  std::vector<std::string> words;  // the command and its arguments
};

// Whether a command only reads the stores or changes them.
enum class Access { kRead, kWrite };

class Session {
 public:
  Session(Options options, std::ostream& out, std::ostream& err);

  // Takes the store lock (shared for reading) and loads both stores. Refuses, before anything is
  // created, when a store cannot be read safely, and for writing when the data folder is
  // read-only. Reading a folder that holds no store yet shows the defaults and creates nothing.
  void Open(Access access);
  // Works out the data folder and creates it, without locking or loading anything.
  void ResolveDataFolder();
  // Lets go of the store lock; the stores stay loaded. A command that goes on to the mouse lets go
  // first, since the device side takes the lock for each of its own saves.
  void ReleaseLock() { lock_.reset(); }

  const Options& options() const { return options_; }
  std::ostream& out() { return out_; }
  std::ostream& err() { return err_; }
  const std::filesystem::path& data_folder() const { return data_folder_; }

  ProfileStore& profiles() { return profiles_; }
  MacroStore& macros() { return macros_; }

  void SaveProfileStore();
  void SaveMacroStore();

  // Position of the profile or macro named so, without regard to case; refuses when there is none.
  std::size_t FindProfile(const std::string& name);
  std::size_t FindMacroNamed(const std::string& name);

  // Refuses a name that is empty, too long for its field or already taken.
  std::u16string CheckNewProfileName(const std::string& name);
  std::u16string CheckNewMacroName(const std::string& name);

 private:
  void ReportLoad(const StoreLoadReport& report, const char* what);

  Options options_;
  std::ostream& out_;
  std::ostream& err_;
  std::filesystem::path data_folder_;
  std::unique_ptr<ExclusiveFileLock> lock_;
  ProfileStore profiles_;
  MacroStore macros_;
};

// Command groups; each takes the words after its group name.
void RunProfileCommand(Session& session, const std::vector<std::string>& args);
void RunMacroCommand(Session& session, const std::vector<std::string>& args);
// The name shown for each key usage on the keyboard layout in use.
void ListKeys(Session& session);

// Arity checks shared by the commands.
void ExpectArgs(const std::vector<std::string>& args, std::size_t min, std::size_t max,
                const char* usage);

}  // namespace melko::cli
