// File operations shared by the stores and the exchange files.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace melko {

// The outcome of an operation that can fail for an outside reason; error says why in one line.
struct Outcome {
  bool ok = true;
  std::string error;

  static Outcome Success() { return {}; }
  static Outcome Failure(std::string why) { return {false, std::move(why)}; }
};

// Reads at most max_bytes from the start of a regular file; anything else (a named pipe, a device,
// a socket, a folder) is refused at once, with what it is as the reason. missing is set when the
// file does not exist. The buffer grows with what is actually read, never by a size the file
// claims, so a sparse file costs no more than max_bytes; more is set when bytes remain after them.
struct FileBytes {
  bool opened = false;
  bool missing = false;
  bool more = false;
  std::string error;
  std::vector<std::uint8_t> bytes;
  std::uint64_t file_size = 0;  // as the file system reports it
};
FileBytes ReadFilePrefix(const std::filesystem::path& path, std::uint64_t max_bytes);

// Reads a whole file of at most max_bytes; a larger one is refused (too_large) without reading
// it, when the file system knows its size, or after max_bytes otherwise.
struct WholeFile {
  FileBytes file;
  bool too_large = false;
};
WholeFile ReadWholeFile(const std::filesystem::path& path, std::uint64_t max_bytes);

// What to do when no temporary file can be made beside the file (a folder the user may not
// write, holding a file they may).
enum class WhenNoTemporary { kFail, kWriteInPlace };

// Writes the bytes to a temporary file in the same folder, flushes it to disk and renames it over
// path, so that a crash or a full disk leaves either the old file or the new one, whole. A path
// that is a symbolic link is written through to its target, and a file that exists keeps its
// permissions and, where the system allows, its owner.
Outcome WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                            WhenNoTemporary when_no_temporary = WhenNoTemporary::kFail);

// Removes the temporary files that writes of path killed midway left behind: every writer locks
// its temporary (flock) while it writes, so one that nobody holds and that is at least min_age
// old (a writer takes the lock just after creating the file) is abandoned. Where another lock
// keeps every writer of path out, min_age may be zero.
void RemoveStaleTemporaries(const std::filesystem::path& path,
                            std::chrono::seconds min_age = std::chrono::seconds(0));
// The age after which an unheld temporary counts as abandoned when no other lock guards the file.
inline constexpr std::chrono::seconds kAbandonedTemporaryAge{3};

// A failure's reason without the path it begins with ("/x/y.pro: Permission denied" gives
// "Permission denied"), for messages that name the file already.
std::string ReasonWithoutPath(std::string_view error, const std::filesystem::path& path);

// Creates the folder (and its parents) when it is not an existing directory.
Outcome EnsureDirectory(const std::filesystem::path& folder);

// Copies a damaged file aside as "<name>.damaged-<UTC timestamp>" before it is repaired, and
// returns the path of the copy.
Outcome CopyAside(const std::filesystem::path& path, std::filesystem::path& copy_path);

// An advisory lock (flock) held for the lifetime of the object; two programs that touch the same
// stores take it around every read-modify-write. Writers take it exclusively. Readers take it
// shared, and go on without it when the lock file cannot be opened (a folder they cannot write).
class ExclusiveFileLock {
 public:
  enum class Mode { kExclusive, kShared };
  explicit ExclusiveFileLock(const std::filesystem::path& lock_file, Mode mode = Mode::kExclusive);
  ~ExclusiveFileLock();
  ExclusiveFileLock(const ExclusiveFileLock&) = delete;
  ExclusiveFileLock& operator=(const ExclusiveFileLock&) = delete;

  // Whether the lock is held; a shared lock that could not be opened counts as held.
  bool locked() const { return fd_ >= 0 || unlocked_reader_; }
  const std::string& error() const { return error_; }

 private:
  int fd_ = -1;
  bool unlocked_reader_ = false;
  std::string error_;
};

}  // namespace melko
