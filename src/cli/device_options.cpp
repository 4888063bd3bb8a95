#include "cli/device_options.h"

#include <unistd.h>

#include <charconv>
#include <cstdlib>

#include "cli/session.h"

namespace melko::cli {
namespace {

double ParseSeconds(const std::string& word, const char* option) {
  char* end = nullptr;
  const double value = std::strtod(word.c_str(), &end);
  if (word.empty() || *end != '\0' || value < 0 || value > 86400) {
    throw UsageError(std::string(option) + " takes a number of seconds");
  }
  return value;
}

}  // namespace

DeviceOptions ParseDeviceOptions(const std::vector<std::string>& args, double default_wait) {
  DeviceOptions options;
  options.wait_seconds = default_wait;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    const bool has_value = i + 1 < args.size();
    if (word == "--wait" && has_value) {
      options.wait_seconds = ParseSeconds(args[++i], "--wait");
    } else if (word == "--seconds" && has_value) {
      options.seconds = ParseSeconds(args[++i], "--seconds");
    } else if (word == "--count" && has_value) {
      long count = 0;
      const std::string& value = args[++i];
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), count);
      if (error != std::errc() || end != value.data() + value.size() || count < 1) {
        throw UsageError("--count takes a positive number");
      }
      options.count = count;
    } else if (word == "--profile" && has_value) {
      options.profile = args[++i];
    } else if (word == "--debug") {
      options.debug = true;
    } else if (word.rfind("--", 0) == 0) {
      throw UsageError("unknown option " + word);
    } else {
      options.rest.push_back(word);
    }
  }
  return options;
}

std::chrono::milliseconds Millis(double seconds) {
  return std::chrono::milliseconds(std::int64_t(seconds * 1000));
}

bool Interactive() {
  return isatty(STDERR_FILENO) != 0;
}

}  // namespace melko::cli
