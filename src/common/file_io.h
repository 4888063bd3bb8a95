// File operations shared by the stores and the exchange files.
#pragma once

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

// Reads at most max_bytes from the start of a file. missing is set when the file does not exist.
struct FileBytes {
  bool opened = false;
  bool missing = false;
  std::string error;
  std::vector<std::uint8_t> bytes;
  std::uint64_t file_size = 0;
};
FileBytes ReadFilePrefix(const std::filesystem::path& path, std::uint64_t max_bytes);

// Writes the bytes to a temporary file in the same folder, flushes it to disk and renames it over
// path, so that a crash or a full disk leaves either the old file or the new one, whole.
Outcome WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Creates the folder (and its parents) when it is not an existing directory.
Outcome EnsureDirectory(const std::filesystem::path& folder);

// Copies a damaged file aside as "<name>.damaged-<UTC timestamp>" before it is repaired, and
// returns the path of the copy.
Outcome CopyAside(const std::filesystem::path& path, std::filesystem::path& copy_path);

// An exclusive advisory lock (flock) held for the lifetime of the object; two programs that touch
// the same stores take it around every read-modify-write.
class ExclusiveFileLock {
 public:
  explicit ExclusiveFileLock(const std::filesystem::path& lock_file);
  ~ExclusiveFileLock();
  ExclusiveFileLock(const ExclusiveFileLock&) = delete;
  ExclusiveFileLock& operator=(const ExclusiveFileLock&) = delete;

  bool locked() const { return fd_ >= 0; }
  const std::string& error() const { return error_; }

 private:
  int fd_ = -1;
  std::string error_;
};

}  // namespace melko
