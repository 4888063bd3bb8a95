#include "support/vmouse_process.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

namespace melko::testing {

constexpr char kVmouseBinary[] = MELKO_BIN_DIR "/melko-vmouse";

VmouseProcess::VmouseProcess(const std::vector<std::string>& options, const std::string& bus) {
  std::vector<std::string> argv{kVmouseBinary, "--socket", socket_path(), "--log", log_path()};
  if (!bus.empty()) argv.insert(argv.end(), {"--bluez-bus", bus});
  argv.insert(argv.end(), options.begin(), options.end());
  process_ = std::make_unique<ChildProcess>(argv, folder() / "vmouse.err");
  started_ = Command("state").starts_with("{");
  if (!started_) ADD_FAILURE() << "melko-vmouse did not start: " << errors();
}

VmouseProcess::~VmouseProcess() {
  EXPECT_EQ(process_->Stop(), 0) << errors();
}

std::vector<std::string> VmouseProcess::LogLines() const {
  std::ifstream in(log_path());
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A field of one log line, a flat JSON object: the text of a string, the digits of a number.
static std::string Field(const std::string& line, const std::string& key) {
  std::smatch match;
  std::regex_search(line, match, std::regex("\"" + key + "\":\"?([^\",}]*)"));
  return match[1];
}

std::vector<LoggedWrite> VmouseProcess::Writes() const {
  std::vector<LoggedWrite> writes;
  for (const std::string& line : LogLines()) {
    writes.push_back({std::stoll(Field(line, "t_ms")), Field(line, "link"), Field(line, "hex")});
  }
  return writes;
}

ProgramRun RunCtl(const std::string& socket_path, const std::vector<std::string>& args) {
  std::vector<std::string> argv{kVmouseBinary, "ctl", "--socket", socket_path};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv, {}, kChildWaitMs);
}

}  // namespace melko::testing
