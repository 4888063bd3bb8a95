#include "vmouse/program/options.h"

#include <string_view>
#include <utility>

#include "vmouse/program/commands.h"

namespace melko::vmouse {
namespace {

ParsedOptions Fail(std::string reason) {
  return {std::nullopt, std::move(reason)};
}

// Takes the value of an option given as "--name VALUE" or "--name=VALUE".
class ArgumentReader {
 public:
  explicit ArgumentReader(const std::vector<std::string>& args) : args_(args) {}
  bool done() const { return next_ >= args_.size(); }
  std::string_view Next() {
    std::string_view arg = args_[next_++];
    inline_value_.reset();
    if (arg.starts_with("--")) {
      const std::size_t equals = arg.find('=');
      if (equals != std::string_view::npos) {
        inline_value_ = std::string(arg.substr(equals + 1));
        arg = arg.substr(0, equals);
      }
    }
    return arg;
  }
  bool has_inline_value() const { return inline_value_.has_value(); }
  std::optional<std::string> Value() {
    if (inline_value_) return std::exchange(inline_value_, std::nullopt);
    if (done()) return std::nullopt;
    return args_[next_++];
  }

 private:
  const std::vector<std::string>& args_;
  std::size_t next_ = 0;
  std::optional<std::string> inline_value_;
};

ParsedOptions ParseCtl(const std::vector<std::string>& args) {
  Options options;
  options.mode = Options::Mode::kCtl;
  ArgumentReader reader(args);
  while (!reader.done()) {
    const std::string_view arg = reader.Next();
    if (arg == "--socket") {
      const auto value = reader.Value();
      if (!value || value->empty()) return Fail("--socket needs a path");
      options.socket_path = *value;
      continue;
    }
    if (arg.starts_with("--")) return Fail("ctl: unknown option " + std::string(arg));
    if (!options.ctl_command.empty()) options.ctl_command += ' ';
    options.ctl_command += arg;
  }
  if (options.socket_path.empty()) return Fail("ctl needs --socket PATH");
  if (options.ctl_command.empty()) return Fail("ctl needs a command");
  return {options, {}};
}

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "ctl") return ParseCtl({args.begin() + 1, args.end()});
  Options options;
  ArgumentReader reader(args);
  while (!reader.done()) {
    const std::string_view arg = reader.Next();
    const std::string name(arg);
    bool* flag = arg == "--cable"      ? &options.cable
                 : arg == "--receiver" ? &options.receiver
                 : arg == "--awake"    ? &options.awake
                 : arg == "--ble"      ? &options.ble
                                       : nullptr;
    if (flag) {
      if (reader.has_inline_value()) return Fail(name + " takes no value");
      *flag = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      options.mode = Options::Mode::kHelp;
      return {options, {}};
    }
    if (arg != "--socket" && arg != "--log" && arg != "--bluez-bus" && arg != "--battery" &&
        arg != "--ack") {
      return Fail("unknown argument " + name);
    }
    const auto value = reader.Value();
    if (!value || value->empty()) return Fail(name + " needs a value");
    if (arg == "--socket") {
      options.socket_path = *value;
    } else if (arg == "--log") {
      options.log_path = *value;
    } else if (arg == "--bluez-bus") {
      options.bluez_bus = *value;
    } else if (arg == "--battery") {
      const auto level = ParseNumber(*value);
      if (!level || *level > 100) return Fail("--battery takes a level from 0 to 100");
      options.battery = *level;
    } else {
      const auto policy = ParseAckPolicy(*value);
      if (!policy) return Fail("--ack takes always, never or after=N with N from 1");
      options.ack = *policy;
    }
  }
  if (options.socket_path.empty()) return Fail("--socket PATH is required");
  if (options.ble && options.bluez_bus.empty()) return Fail("--ble needs --bluez-bus ADDRESS");
  return {options, {}};
}

std::string UsageText() {
  return "usage: melko-vmouse --socket PATH [--log FILE] [--bluez-bus ADDRESS] [--cable]\n"
         "                    [--receiver] [--awake] [--ble] [--battery N]\n"
         "                    [--ack always|never|after=N]\n"
         "       melko-vmouse ctl --socket PATH COMMAND...\n"
         "\n"
         "Serves the driver libraries on PATH and takes commands on standard input and on\n"
         "PATH.ctl: cable on|off, receiver on|off, awake on|off, ble on|off, battery N,\n"
         "charging, charged, dpi-button, stage N, light-button, light-mode N,\n"
         "rate 125|250|500|1000, ack always|never|after=N, state, quit.\n";
}

}  // namespace melko::vmouse
