#include "ui/autostart_entry.h"

#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "profiles/data_folder.h"

namespace melko::ui {
namespace {

// An entry is a few hundred bytes; a larger file is not one of ours and is read no further.
constexpr std::uint64_t kMaxEntryBytes = 64 * 1024;

std::vector<std::filesystem::path> AbsoluteFolders(std::string_view list) {
  std::vector<std::filesystem::path> folders;
  while (!list.empty()) {
    const std::size_t colon = list.find(':');
    const std::string_view folder = list.substr(0, colon);
    if (!folder.empty() && folder[0] == '/') folders.emplace_back(folder);
    list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
  }
  return folders;
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool IsExecutableFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

std::optional<std::filesystem::path> FindOnPath(const std::string& name,
                                                const std::string& search_path) {
  for (const std::filesystem::path& folder : AbsoluteFolders(search_path)) {
    if (IsExecutableFile(folder / name)) return folder / name;
  }
  return std::nullopt;
}

// A value of type string: backslashes and control characters escaped, a leading blank kept.
std::string EscapeString(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == ' ' && i == 0) {
      out += "\\s";
    } else {
      out += c;
    }
  }
  return out;
}

std::string UnescapeString(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    const char next = value[++i];
    out += next == 's' ? ' ' : next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
  }
  return out;
}

// One argument of the Exec key: quoted when it holds a character the key reserves, with '"', '`',
// '$' and '\' escaped inside the quotes, and '%' doubled (a single one starts a field code).
std::string ExecArgument(std::string_view argument) {
  constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  const bool quote = argument.empty() || argument.find_first_of(kReserved) != std::string::npos;
  std::string out = quote ? "\"" : "";
  for (const char c : argument) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    out += c;
    if (c == '%') out += '%';
  }
  return quote ? out + "\"" : out;
}

// The keys of the [Desktop Entry] group that decide whether the session starts an entry.
struct EntryKeys {
  bool hidden = false;
  bool switched_off = false;  // X-GNOME-Autostart-enabled=false
  std::string try_exec;
};

EntryKeys ReadKeys(std::string_view text) {
  EntryKeys keys;
  bool in_entry = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line[0] == '[') {
      in_entry = line == "[Desktop Entry]";
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!in_entry || equals == std::string_view::npos) continue;
    std::string_view key = line.substr(0, equals);
    std::string_view value = line.substr(equals + 1);
    // Blanks around the '=' do not count.
    while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    if (key == "Hidden") keys.hidden = value == "true";
    if (key == "X-GNOME-Autostart-enabled") keys.switched_off = value == "false";
    if (key == "TryExec") keys.try_exec = UnescapeString(value);
  }
  return keys;
}

enum class Found { kMissing, kStarts, kDoesNotStart };

// What the session makes of an entry file.
Found ReadEntry(const std::filesystem::path& path) {
  const WholeFile file = ReadWholeFile(path, kMaxEntryBytes);
  if (file.file.missing) return Found::kMissing;
  // An entry the session cannot read, or one far too large, starts nothing either.
  if (!file.file.opened || file.too_large) return Found::kDoesNotStart;
  const EntryKeys keys = ReadKeys(std::string_view(
      reinterpret_cast<const char*>(file.file.bytes.data()), file.file.bytes.size()));
  if (keys.hidden || keys.switched_off) return Found::kDoesNotStart;
  if (!keys.try_exec.empty()) {
    // A program that was moved or removed leaves its entry behind; the session skips it.
    const bool there = keys.try_exec[0] == '/'
                           ? IsExecutableFile(keys.try_exec)
                           : FindOnPath(keys.try_exec, EnvironmentValue("PATH")).has_value();
    if (!there) return Found::kDoesNotStart;
  }
  return Found::kStarts;
}

bool SystemEntryStarts() {
  const std::string dirs = EnvironmentValue("XDG_CONFIG_DIRS");
  for (const std::filesystem::path& folder : AbsoluteFolders(dirs.empty() ? "/etc/xdg" : dirs)) {
    const Found found = ReadEntry(folder / "autostart" / kAutostartFileName);
    if (found != Found::kMissing) return found == Found::kStarts;
  }
  return false;
}

Outcome Write(const std::filesystem::path& path, const std::string& text) {
  const Outcome folder = EnsureDirectory(path.parent_path());
  if (!folder.ok) return Outcome::Failure(ReasonWithoutPath(folder.error, path.parent_path()));
  const Outcome written = WriteFileAtomically(
      path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  if (written.ok) return written;
  // A file that cannot be made in the folder is reported with the folder's path.
  return Outcome::Failure(
      ReasonWithoutPath(ReasonWithoutPath(written.error, path), path.parent_path()));
}

std::filesystem::path RunningProgram() {
  std::error_code error;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : program;
}

}  // namespace

AutostartEntry::AutostartEntry() : AutostartEntry(RunningProgram(), EnvironmentValue("PATH")) {}

AutostartEntry::AutostartEntry(std::filesystem::path program, std::string search_path)
    : program_(std::move(program)), search_path_(std::move(search_path)) {}

std::filesystem::path AutostartEntry::UserEntryPath() const {
  const std::filesystem::path config = UserConfigFolder();
  return config.empty() ? std::filesystem::path() : config / "autostart" / kAutostartFileName;
}

bool AutostartEntry::Enabled() {
  const std::filesystem::path path = UserEntryPath();
  if (path.empty()) return false;
  const Found user = ReadEntry(path);
  if (user != Found::kMissing) return user == Found::kStarts;
  return SystemEntryStarts();
}

Outcome AutostartEntry::SetEnabled(bool enabled) {
  const std::filesystem::path path = UserEntryPath();
  if (path.empty()) return Outcome::Failure("no home folder is known");
  if (enabled) return Write(path, EntryText());
  std::error_code error;
  std::filesystem::remove(path, error);
  if (error) return Outcome::Failure(error.message());
  // An administrator's entry still starts the program: the user's own entry hides it.
  if (SystemEntryStarts()) {
    return Write(path, "[Desktop Entry]\nType=Application\nName=Melko\nHidden=true\n");
  }
  return Outcome::Success();
}

std::string AutostartEntry::ProgramWord() const {
  if (program_.empty()) return "melko";
  const std::string name = program_.filename().string();
  const std::optional<std::filesystem::path> found = FindOnPath(name, search_path_);
  std::error_code error;
  if (found && std::filesystem::equivalent(*found, program_, error)) return name;
  return program_.string();
}

std::string AutostartEntry::EntryText() const {
  const std::string program = ProgramWord();
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Melko\n"
         "Comment=Starts Melko in the tray with the desktop\n"
         "Exec=" +
         EscapeString(ExecArgument(program) + " --hidden") +
         "\n"
         "TryExec=" +
         EscapeString(program) +
         "\n"
         "Icon=org.melko.Melko\n"
         "Terminal=false\n";
}

}  // namespace melko::ui
