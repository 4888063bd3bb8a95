// Figures for the work the program does most: loading and saving the profile store (it is saved
// after every apply), finding what changed, and encoding reports.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "common/text.h"
#include "profiles/profile_store.h"
#include "protocol/dirty_blocks.h"
#include "protocol/settings_reports.h"

namespace {

using Clock = std::chrono::steady_clock;

// Runs fn repeatedly for about half a second and prints the time per run.
void Measure(const char* what, const std::function<void()>& fn) {
  int runs = 0;
  const auto start = Clock::now();
  auto now = start;
  while (now - start < std::chrono::milliseconds(500)) {
    fn();
    ++runs;
    now = Clock::now();
  }
  const double micros = std::chrono::duration<double, std::micro>(now - start).count() / runs;
  std::printf("%-44s %12.1f us/run  (%d runs)\n", what, micros, runs);
}

}  // namespace

int main() {
  char folder_template[] = "/tmp/melko-bench-XXXXXX";
  const std::filesystem::path folder = mkdtemp(folder_template);

  for (const int count : {1, 20, 100}) {
    melko::ProfileStore store;
    for (int i = 0; i < count; ++i) {
      store.profiles.push_back(
          melko::MakeDefaultProfile(melko::Utf8ToUtf16("Profile" + std::to_string(i))));
    }
    char label[64];
    std::snprintf(label, sizeof label, "save store, %d profiles (fsync)", count);
    Measure(label, [&] { melko::SaveProfiles(store, folder); });
    std::snprintf(label, sizeof label, "load store, %d profiles", count);
    Measure(label, [&] {
      melko::ProfileStore loaded;
      melko::LoadProfiles(loaded, folder);
    });
  }

  const auto before = melko::MakeDefaultProfile(u"A");
  auto after = std::make_unique<melko::ProfileRecord>(*before);
  after->buttons[17].macro_actions[45].delay = 9;
  Measure("detect changes", [&] { (void)melko::DetectChanges(*after, *before); });
  Measure("encode DPI, light, rate and buttons reports", [&] {
    (void)melko::BuildDpiReport(*after);
    (void)melko::BuildLightReport(*after);
    (void)melko::BuildRateReport(*after);
    (void)melko::BuildButtonsReport(*after);
  });
  std::printf("profile record: %zu bytes; store with 100 profiles: %zu bytes\n",
              sizeof(melko::ProfileRecord),
              melko::kProfileStoreHeaderSize + 100 * melko::kProfileRecordSize);
  std::filesystem::remove_all(folder);
  return 0;
}
