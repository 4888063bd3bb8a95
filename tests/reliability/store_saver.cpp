// melko_store_saver store DATA [STEPS] | export DATA FOLDER [STEPS]: saves the stores or exports
// files through the desktop program's code, until killed or for STEPS steps, for the crash-safety
// tests to SIGKILL. Each step depends only on the stores on disk: a fixed cycle of states.
#include <cstdlib>
#include <iostream>
#include <string>

#include "macros/macro_files.h"
#include "profiles/names.h"
#include "profiles/profile_files.h"
#include "profiles/profile_session.h"
#include "support/test_support.h"

namespace {

using namespace melko;

constexpr char16_t kExtra[] = u"Extra";
constexpr char16_t kSpare[] = u"Spare";

// One turn: add a profile, add a macro, remove the profile, remove the macro; all but the third
// with an edit of the current profile, saved by the same sync as the window saves its edits.
Outcome StoreStep(ProfileSession& session) {
  const auto [extra, spare] = session.WithStores([](const auto& profiles, const auto& macros) {
    return std::pair(FindName(profiles.profiles, kExtra) >= 0, FindMacro(macros, kSpare) >= 0);
  });
  if (!extra || !spare) {
    const int dpi = !extra ? (!spare ? 1600 : 800) : 2400;
    session.WithCurrent([dpi](ProfileRecord& current) { current.dpi_value[0] = dpi; });
  }
  return session
      .Sync([extra = extra, spare = spare](ProfileStore& profiles, MacroStore& macros) {
        if (!extra && !spare) {
          profiles.profiles.push_back(MakeDefaultProfile(kExtra));
          profiles.selected_index = std::uint32_t(profiles.profiles.size() - 1);
        } else if (!spare) {
          macros.macros.push_back(testing::MakeMacro(kSpare, "4+10 4-20 5+10 5-20"));
        } else if (extra) {
          profiles.profiles.erase(profiles.profiles.begin() + FindName(profiles.profiles, kExtra));
          profiles.selected_index = 0;
        } else {
          macros.macros.erase(macros.macros.begin() + FindMacro(macros, kSpare));
        }
      })
      .outcome;
}

Outcome ExportStep(ProfileSession& session, const std::filesystem::path& folder, long step) {
  const std::size_t which = std::size_t(step % 2);
  return session.WithStores([&](const auto& profiles, const auto& macros) {
    const Outcome profile = ExportProfile(*profiles.profiles.at(which), folder / "profile.pro");
    if (!profile.ok) return profile;
    return ExportMacro(*macros.macros.at(which), folder / "macro.macro");
  });
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 2 ? argv[1] : "";
  const bool exports = mode == "export" && argc >= 4;
  if (mode != "store" && !exports) return 2;
  const int steps_at = exports ? 4 : 3;
  const long steps = argc > steps_at ? std::atol(argv[steps_at]) : -1;
  ProfileSession session{std::filesystem::path(argv[2])};
  session.LoadProfileStore();
  session.LoadMacroStore();
  for (long step = 0; steps < 0 || step < steps; ++step) {
    const Outcome outcome = exports ? ExportStep(session, argv[3], step) : StoreStep(session);
    if (!outcome.ok) {
      std::cerr << "melko_store_saver: " << outcome.error << '\n';
      return 1;
    }
  }
  return 0;
}
