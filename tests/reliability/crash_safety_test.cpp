// Saves and exports SIGKILLed at random moments, many times over: whatever a kill interrupts, each
// file is afterwards exactly one of the states its saver goes through (or absent, for an export
// never finished), the store lock is free, and the next save succeeds and clears the temporaries.
//
// MELKO_CRASH_KILLS sets the kills per saver (default 100), MELKO_CRASH_SEED replays a run.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <random>
#include <set>
#include <thread>

#include "profiles/data_folder.h"
#include "reliability/kill_run.h"
#include "support/child_process.h"
#include "support/test_support.h"

namespace melko::testing {
namespace {

using Files = std::vector<std::filesystem::path>;
// A file's bytes, or "absent".
using Snapshot = std::vector<std::string>;

Snapshot Take(const Files& files) {
  Snapshot snapshot;
  for (const auto& file : files) {
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
      snapshot.push_back("absent");
      continue;
    }
    const std::vector<std::uint8_t> bytes = ReadAll(file);
    snapshot.emplace_back(bytes.begin(), bytes.end());
  }
  return snapshot;
}

std::set<std::string> Named(const std::filesystem::path& folder, std::string_view part) {
  std::set<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (name.find(part) != std::string::npos) names.insert(name);
  }
  return names;
}

long EnvNumber(const char* name, long fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && std::atol(value) > 0 ? std::atol(value) : fallback;
}

// A saver: the command that takes the files from the state at `state` (an index into the states
// recorded by an uninterrupted run) to the next one.
struct Saver {
  std::string label;
  Files files;
  std::filesystem::path watched;
  std::function<std::vector<std::string>(std::size_t state)> command;
  // When set, the kills hit this loop of saves (run until killed) instead of one-shot commands.
  std::vector<std::string> loop;
};

class CrashSafety : public ::testing::Test {
 protected:
  void SetUp() override {
    seed_ = std::uint32_t(EnvNumber("MELKO_CRASH_SEED", long(std::random_device{}() >> 1)));
    std::cout << "MELKO_CRASH_SEED=" << seed_ << '\n';
    random_.seed(seed_);
    std::filesystem::create_directories(dir_ / "runtime");
    std::filesystem::permissions(dir_ / "runtime", std::filesystem::perms::owner_all);
    env_ = {{"XDG_RUNTIME_DIR", (dir_ / "runtime").string()},
            {"XDG_CONFIG_HOME", (dir_ / "config").string()},
            {"MELKO_VMOUSE", ""},
            {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (dir_ / "no-bus").string()}};
  }

  // Several profiles and macros, names that differ only in letter case among them.
  void Seed(const std::filesystem::path& data) {
    SeedStores(data, {u"Main", u"Jump", u"JUMP", u"Quiet"},
               {{u"Fire", "4+10 4-30"}, {u"fire", "5+10 5-30 6+10 6-30"}, {u"Burst", "7+1 7-1"}});
  }

  // Runs the saver uninterrupted for `steps` steps from the seeded stores; the states it passes.
  std::vector<Snapshot> Record(const Saver& saver, int steps) {
    std::vector<Snapshot> states{Take(saver.files)};
    for (int step = 0; step < steps; ++step) {
      const auto started = std::chrono::steady_clock::now();
      const ProgramRun run = RunProgram(saver.command(std::size_t(step)), env_);
      run_time_ = std::max(run_time_, std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now() - started));
      EXPECT_EQ(run.exit_code, 0) << saver.label << " step " << step << ": " << run.err;
      states.push_back(Take(saver.files));
    }
    return states;
  }

  void KillRepeatedly(Saver saver, int steps);

  TempDir dir_;
  std::map<std::string, std::string> env_;
  std::uint32_t seed_ = 0;
  std::chrono::microseconds run_time_{1000};  // the longest uninterrupted step
  std::mt19937 random_;
};

// The kills: alternately at a random time within a run, and a moment after the saver creates a
// temporary file (mostly within a few hundred microseconds), which lands most inside a write.
void CrashSafety::KillRepeatedly(Saver saver, int steps) {
  const std::vector<Snapshot> states = Record(saver, steps);
  if (HasFailure()) return;
  std::vector<std::set<std::string>> allowed(saver.files.size());
  for (const Snapshot& state : states) {
    for (std::size_t file = 0; file < state.size(); ++file) allowed[file].insert(state[file]);
  }

  const long kills_wanted = EnvNumber("MELKO_CRASH_KILLS", 100);
  const std::filesystem::path lock_path = saver.files[0].parent_path() / ".lock";
  long kills = 0, mid_write = 0, runs = 0, changed = 0;
  std::size_t state = 0;
  const auto started = std::chrono::steady_clock::now();
  while (kills < kills_wanted && !HasFailure()) {
    ++runs;
    KillMoment moment;
    if (runs % 2 == 0) {
      moment.on_temporary = !saver.loop.empty() ? int(random_() % 6) + 1 : 1;
      moment.delay = std::chrono::microseconds(random_() % (runs % 3 == 0 ? 20000 : 400));
    } else {
      const long within = saver.loop.empty() ? run_time_.count() : 300000;
      moment.delay = std::chrono::microseconds(random_() % (within + 1));
    }
    const Snapshot before = Take(saver.files);
    const std::set<std::string> temporaries = Named(saver.watched, ".tmp-");
    const KilledRun run = RunAndKill(saver.loop.empty() ? saver.command(state) : saver.loop, env_,
                                     saver.watched, moment, dir_ / "saver.log");
    ASSERT_FALSE(run.timed_out) << saver.label << ": " << ReadText(dir_ / "saver.log");
    ASSERT_TRUE(run.killed || run.exit_code == 0)
        << saver.label << " failed after " << kills << " kills: " << ReadText(dir_ / "saver.log");
    kills += run.killed;
    for (const std::string& name : Named(saver.watched, ".tmp-")) {
      mid_write += !temporaries.contains(name);
    }
    const Snapshot after = Take(saver.files);
    changed += after != before;
    for (std::size_t file = 0; file < after.size(); ++file) {
      ASSERT_TRUE(allowed[file].contains(after[file]))
          << saver.label << ": " << saver.files[file] << " is damaged after kill " << kills << " ("
          << after[file].size() << " bytes)";
    }
    ASSERT_EQ(Named(saver.files[0].parent_path(), ".damaged-").size(), 0u) << saver.label;
    // A dead saver holds no lock: the next one may start at once.
    if (std::filesystem::exists(lock_path)) {
      const int fd = ::open(lock_path.c_str(), O_RDWR | O_CLOEXEC);
      ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0) << saver.label << ": the lock is still held";
      ::close(fd);
    }
    // The one-shot commands go on from the state the kill left.
    for (std::size_t at = 0; at < states.size() && saver.loop.empty(); ++at) {
      if (states[at] == after) state = at % std::size_t(steps);
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::cout << "| " << saver.label << " | " << runs << " | " << kills << " | " << mid_write << " | "
            << changed << " | " << int(seconds) << " s |\n";

  // Temporaries are taken for abandoned only once they are a few seconds old.
  std::this_thread::sleep_for(std::chrono::seconds(4));
  const ProgramRun last = RunProgram(saver.command(state), env_);
  ASSERT_EQ(last.exit_code, 0) << saver.label << ": " << last.err;
  EXPECT_EQ(Named(saver.watched, ".tmp-").size(), 0u) << saver.label << ": temporaries left";
  for (std::size_t file = 0; file < saver.files.size(); ++file) {
    EXPECT_TRUE(allowed[file].contains(Take(saver.files)[file])) << saver.label;
  }
}

const std::string kMelkoctl = MELKO_BIN_DIR "/melkoctl";
const std::string kSaver = MELKO_BIN_DIR "/melko_store_saver";
using Cycle = std::vector<std::vector<std::string>>;

// melkoctl on the data folder, running the commands of the cycle in turn.
auto Melkoctl(const std::filesystem::path& data, Cycle cycle) {
  return [data, cycle](std::size_t state) {
    std::vector<std::string> argv = {kMelkoctl, "--data-dir", data.string()};
    argv.insert(argv.end(), cycle[state % cycle.size()].begin(), cycle[state % cycle.size()].end());
    return argv;
  };
}

TEST_F(CrashSafety, MelkoctlStoreChanges) {
  const auto data = dir_ / "data";
  Seed(data);
  const Cycle cycle = {{"profile", "add", "Extra"},   {"set", "dpi", "1", "1600"},
                       {"macro", "add", "Spare"},     {"profile", "delete", "Extra"},
                       {"profile", "select", "JUMP"}, {"macro", "delete", "Spare"},
                       {"profile", "select", "Main"}};
  Saver saver{"melkoctl store changes",
              {ProfileStorePath(data), MacroStorePath(data)},
              StoreFolder(data),
              Melkoctl(data, cycle),
              {}};
  KillRepeatedly(saver, int(cycle.size()));
}

TEST_F(CrashSafety, MelkoctlExports) {
  const auto data = dir_ / "data";
  Seed(data);
  const auto out = dir_ / "out";
  std::filesystem::create_directories(out);
  const Cycle cycle = {{"profile", "export", "Main", (out / "p.pro").string()},
                       {"macro", "export", "Fire", (out / "m.macro").string()},
                       {"profile", "export", "JUMP", (out / "p.pro").string()},
                       {"macro", "export", "fire", (out / "m.macro").string()}};
  Saver saver{"melkoctl exports", {out / "p.pro", out / "m.macro"}, out, Melkoctl(data, cycle), {}};
  KillRepeatedly(saver, int(cycle.size()));
}

// The desktop program's save path: each step one sync of a profile session, round a cycle of
// four states; and its exports.
TEST_F(CrashSafety, SessionSyncsAndExports) {
  const auto data = dir_ / "data";
  Seed(data);
  Saver syncs{"window store syncs",
              {ProfileStorePath(data), MacroStorePath(data)},
              StoreFolder(data),
              [&](std::size_t) {
                return std::vector<std::string>{kSaver, "store", data.string(), "1"};
              },
              {kSaver, "store", data.string()}};
  KillRepeatedly(syncs, 8);

  const auto out = dir_ / "out";
  std::filesystem::create_directories(out);
  Saver exports{"window exports",
                {out / "profile.pro", out / "macro.macro"},
                out,
                [&](std::size_t state) {  // the first profile and macro, or the second
                  return std::vector<std::string>{kSaver, "export", data.string(), out.string(),
                                                  std::to_string(state % 2 + 1)};
                },
                {}};
  exports.loop = {kSaver, "export", data.string(), out.string()};
  KillRepeatedly(exports, 2);
}

}  // namespace
}  // namespace melko::testing
