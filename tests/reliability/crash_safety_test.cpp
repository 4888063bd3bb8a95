// Savers SIGKILLed at random moments: each file is then one of the states its saver goes through
// (or absent), the lock is free, and the next save succeeds and clears the temporaries.
// MELKO_CRASH_KILLS sets the kills per saver (default 100), MELKO_CRASH_SEED replays a run.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <random>
#include <set>
#include <thread>

#include "profiles/data_folder.h"
#include "support/child_process.h"
#include "support/test_support.h"

namespace melko::testing {
namespace {

using Argv = std::vector<std::string>;
using Clock = std::chrono::steady_clock;
using Files = std::vector<std::filesystem::path>;
using Snapshot = std::vector<std::string>;  // each file's bytes, or "absent"

Snapshot Take(const Files& files) {
  Snapshot snapshot;
  std::error_code error;
  for (const auto& file : files)
    snapshot.push_back(std::filesystem::exists(file, error) ? ReadText(file) : "absent");
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

int CountTemporaries(int fd) {
  alignas(inotify_event) char buffer[4096];
  int count = 0;
  for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) {
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      count += event->len > 0 && std::strstr(event->name, ".tmp-") != nullptr;
      at += ssize_t(sizeof(inotify_event) + event->len);
    }
  }
  return count;
}

// `command` takes `files` (temporaries in the first one's folder) from recorded state N to the
// next; with a `loop`, the kills hit that endless loop of saves instead.
struct Saver {
  std::string label;
  Files files;
  std::function<Argv(std::size_t state)> command{};
  Argv loop{};
};

class CrashSafety : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto seed =
        std::uint32_t(EnvNumber("MELKO_CRASH_SEED", long(std::random_device{}() >> 1)));
    std::cout << "MELKO_CRASH_SEED=" << seed << '\n';
    random_.seed(seed);
    std::filesystem::create_directories(dir_ / "runtime");
    std::filesystem::permissions(dir_ / "runtime", std::filesystem::perms::owner_all);
    env_ = {{"XDG_RUNTIME_DIR", (dir_ / "runtime").string()},
            {"XDG_CONFIG_HOME", (dir_ / "config").string()},
            {"MELKO_VMOUSE", ""},
            {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (dir_ / "no-bus").string()}};
    // Several profiles and macros, names that differ only in letter case among them.
    SeedStores(data_, {u"Main", u"Jump", u"JUMP", u"Quiet"},
               {{u"Fire", "4+10 4-30"}, {u"fire", "5+10 5-30 6+10 6-30"}, {u"Burst", "7+1 7-1"}});
  }

  // SIGKILLs the saver `delay` after its start or, with on_temporary > 0, `delay` after it creates
  // its on_temporary-th temporary file (seen through inotify), which lands inside a write. Nothing
  // when the kill ended it, else its exit status (-2: no end and no temporary within 30 s).
  std::optional<int> RunAndKill(const Argv& argv, const std::filesystem::path& watched,
                                std::chrono::microseconds delay, int on_temporary) {
    const int inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ::inotify_add_watch(inotify, watched.c_str(), IN_CREATE);
    ChildProcess child(argv, dir_ / "saver.log", env_);
    child.CloseInput();
    const auto deadline = Clock::now() + (on_temporary > 0 ? std::chrono::seconds(30) : delay);
    int temporaries = 0;
    bool ended = false;
    for (auto left = deadline - Clock::now(); left.count() > 0; left = deadline - Clock::now()) {
      const auto us = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
      pollfd fds[2] = {{child.exit_fd(), POLLIN, 0}, {inotify, POLLIN, 0}};
      const timespec wait{time_t(us / 1000000), long(us % 1000000) * 1000};
      if (::ppoll(fds, on_temporary > 0 ? 2 : 1, &wait, nullptr) < 0) continue;
      if ((ended = fds[0].revents != 0)) break;
      if (fds[1].revents != 0 && (temporaries += CountTemporaries(inotify)) >= on_temporary) {
        std::this_thread::sleep_for(delay);
        break;
      }
    }
    ::close(inotify);
    if (!ended && on_temporary > 0 && temporaries < on_temporary) return -2;
    if (!ended) ::kill(child.pid(), SIGKILL);
    const int code = child.WaitExit().value_or(-1);
    return !ended && code < 0 ? std::nullopt : std::optional(code);  // or it ended just before
  }

  // Records the states of `steps` uninterrupted steps, then kills alternately at a random time and
  // a moment after the saver creates a temporary file, which lands most inside a write.
  void KillRepeatedly(const Saver& saver, int steps) {
    std::vector<Snapshot> states{Take(saver.files)};
    std::chrono::microseconds run_time{1000};  // the longest uninterrupted step
    for (int step = 0; step < steps; ++step) {
      const auto started = Clock::now();
      const ProgramRun run = RunProgram(saver.command(std::size_t(step)), env_);
      run_time = std::max(
          run_time, std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started));
      ASSERT_EQ(run.exit_code, 0) << saver.label << " step " << step << ": " << run.err;
      states.push_back(Take(saver.files));
    }
    std::vector<std::set<std::string>> allowed(saver.files.size());
    for (const Snapshot& state : states)
      for (std::size_t file = 0; file < state.size(); ++file) allowed[file].insert(state[file]);
    const auto expect_allowed = [&](const Snapshot& after, long kills) {
      for (std::size_t file = 0; file < after.size(); ++file)
        ASSERT_TRUE(allowed[file].contains(after[file]))
            << saver.label << ": " << saver.files[file] << " is damaged after kill " << kills
            << " (" << after[file].size() << " bytes)";
    };

    const std::filesystem::path folder = saver.files[0].parent_path(), lock_path = folder / ".lock";
    long kills = 0, mid_write = 0, runs = 0, changed = 0;
    std::size_t state = 0;
    const auto started = Clock::now();
    while (kills < EnvNumber("MELKO_CRASH_KILLS", 100) && !HasFailure()) {
      const bool on_write = ++runs % 2 == 0;
      const int on_temporary = !on_write ? 0 : saver.loop.empty() ? 1 : int(random_() % 6) + 1;
      const long within = on_write ? (runs % 3 == 0 ? 20000 : 400)
                                   : (saver.loop.empty() ? run_time.count() : 300000) + 1;
      const Snapshot before = Take(saver.files);
      const std::set<std::string> temporaries = Named(folder, ".tmp-");
      const std::optional<int> exit =
          RunAndKill(saver.loop.empty() ? saver.command(state) : saver.loop, folder,
                     std::chrono::microseconds(random_() % within), on_temporary);
      ASSERT_TRUE(!exit || *exit == 0) << saver.label << " ended with " << *exit << " after "
                                       << kills << " kills: " << ReadText(dir_ / "saver.log");
      kills += !exit;
      for (const std::string& name : Named(folder, ".tmp-"))
        mid_write += !temporaries.contains(name);
      const Snapshot after = Take(saver.files);
      changed += after != before;
      expect_allowed(after, kills);
      ASSERT_EQ(Named(folder, ".damaged-").size(), 0u) << saver.label;
      // A dead saver holds no lock: the next one may start at once.
      if (const int fd = ::open(lock_path.c_str(), O_RDWR | O_CLOEXEC); fd >= 0) {
        EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0) << saver.label << ": the lock is still held";
        ::close(fd);
      }
      // The one-shot commands go on from the state the kill left.
      for (std::size_t at = 0; at < states.size() && saver.loop.empty(); ++at)
        if (states[at] == after) state = at % std::size_t(steps);
    }
    std::cout << "| " << saver.label << " | " << runs << " | " << kills << " | " << mid_write
              << " | " << changed << " | "
              << std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - started).count()
              << " s |\n";

    // Temporaries are taken for abandoned only once they are a few seconds old.
    std::this_thread::sleep_for(std::chrono::seconds(4));
    const ProgramRun last = RunProgram(saver.command(state), env_);
    ASSERT_EQ(last.exit_code, 0) << saver.label << ": " << last.err;
    EXPECT_EQ(Named(folder, ".tmp-").size(), 0u) << saver.label << ": temporaries left";
    expect_allowed(Take(saver.files), kills);
  }

  TempDir dir_;
  const std::filesystem::path data_ = dir_ / "data";
  const Files stores_{ProfileStorePath(data_), MacroStorePath(data_)};
  std::map<std::string, std::string> env_;
  std::mt19937 random_;
};

TEST_F(CrashSafety, MelkoctlStoreChanges) {
  std::vector<Argv> cycle = {{"profile", "add", "Extra"},   {"set", "dpi", "1", "1600"},
                             {"macro", "add", "Spare"},     {"profile", "delete", "Extra"},
                             {"profile", "select", "JUMP"}, {"macro", "delete", "Spare"},
                             {"profile", "select", "Main"}};
  for (Argv& step : cycle)
    step.insert(step.begin(), {MELKO_BIN_DIR "/melkoctl", "--data-dir", data_});
  Saver saver{"melkoctl store changes", stores_};
  saver.command = [&](std::size_t state) { return cycle[state % cycle.size()]; };
  KillRepeatedly(saver, int(cycle.size()));
}

// The desktop program's save path: each step one sync of a profile session, round a cycle of
// four states; and its exports (melkoctl's exports write through the same functions).
TEST_F(CrashSafety, SessionSyncsAndExports) {
  const std::string saver = MELKO_BIN_DIR "/melko_store_saver";
  Saver syncs{"window store syncs", stores_};
  syncs.loop = {saver, "store", data_.string()};
  syncs.command = [&](std::size_t) { return Argv{saver, "store", data_, "1"}; };
  KillRepeatedly(syncs, 8);

  const auto out = dir_ / "out";
  std::filesystem::create_directories(out);
  Saver exports{"window exports", {out / "profile.pro", out / "macro.macro"}};
  exports.loop = {saver, "export", data_.string(), out.string()};
  exports.command = [&](std::size_t state) {  // the first profile and macro, or the second
    return Argv{saver, "export", data_, out, std::to_string(state % 2 + 1)};
  };
  KillRepeatedly(exports, 2);
}

}  // namespace
}  // namespace melko::testing
