// Runs a program and SIGKILLs it at a chosen moment: after a delay, or just after it creates its
// n-th temporary file in a folder (seen through inotify), so that kills land inside writes.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace melko::testing {

struct KillMoment {
  std::chrono::microseconds delay{0};  // after the start, or after the temporary appears
  int on_temporary = 0;                // kill after the n-th temporary created; 0: by time
};

struct KilledRun {
  bool killed = false;     // false: the program ended by itself first
  int exit_code = -1;      // when it ended by itself
  bool timed_out = false;  // it neither ended nor created the temporary within 30 s
};

// The program's standard input and output are /dev/null, its errors go to error_file.
KilledRun RunAndKill(const std::vector<std::string>& argv,
                     const std::map<std::string, std::string>& env,
                     const std::filesystem::path& watched_folder, KillMoment moment,
                     const std::filesystem::path& error_file);

}  // namespace melko::testing
