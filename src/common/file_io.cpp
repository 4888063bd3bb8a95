#include "common/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace melko {
namespace {

std::string Describe(const std::filesystem::path& path, int error_number) {
  return path.string() + ": " + std::strerror(error_number);
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= std::size_t(written);
  }
  return true;
}

// Makes the rename itself durable: the directory entry is flushed with the folder.
void SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

FileBytes ReadFilePrefix(const std::filesystem::path& path, std::uint64_t max_bytes) {
  FileBytes result;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    result.missing = (errno == ENOENT);
    result.error = Describe(path, errno);
    return result;
  }
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    result.error = Describe(path, EISDIR);
    return result;
  }
  result.opened = true;
  result.file_size = info.st_size > 0 ? std::uint64_t(info.st_size) : 0;
  result.bytes.resize(std::size_t(std::min<std::uint64_t>(max_bytes, result.file_size)));
  std::size_t filled = 0;
  while (filled < result.bytes.size()) {
    const ssize_t got = ::read(fd, result.bytes.data() + filled, result.bytes.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      result.opened = false;
      result.error = Describe(path, errno);
      break;
    }
    if (got == 0) break;  // the file shrank since fstat
    filled += std::size_t(got);
  }
  result.bytes.resize(filled);
  ::close(fd);
  return result;
}

Outcome WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  const std::filesystem::path folder =
      path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  std::string temp_name = (folder / ("." + path.filename().string() + ".tmp-XXXXXX")).string();
  const int fd = ::mkstemp(temp_name.data());
  if (fd < 0) return Outcome::Failure(Describe(folder, errno));
  // mkstemp creates the file 0600; give it the permissions an ordinary new file would have.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  const bool written = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
  const int write_errno = errno;
  if (::close(fd) != 0 || !written) {
    ::unlink(temp_name.c_str());
    return Outcome::Failure(Describe(path, written ? errno : write_errno));
  }
  if (::rename(temp_name.c_str(), path.c_str()) != 0) {
    const int rename_errno = errno;
    ::unlink(temp_name.c_str());
    return Outcome::Failure(Describe(path, rename_errno));
  }
  SyncFolder(folder);
  return Outcome::Success();
}

Outcome EnsureDirectory(const std::filesystem::path& folder) {
  std::error_code error;
  if (std::filesystem::is_directory(folder, error)) return Outcome::Success();
  std::filesystem::create_directories(folder, error);
  if (error) return Outcome::Failure(folder.string() + ": " + error.message());
  return Outcome::Success();
}

Outcome CopyAside(const std::filesystem::path& path, std::filesystem::path& copy_path) {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
  const std::string base = path.string() + ".damaged-" + stamp;
  std::error_code error;
  copy_path = base;
  for (int n = 1; std::filesystem::exists(copy_path, error); ++n) {
    copy_path = base + "-" + std::to_string(n);
  }
  const FileBytes original = ReadFilePrefix(path, UINT64_MAX);
  if (!original.opened) return Outcome::Failure(original.error);
  return WriteFileAtomically(copy_path, original.bytes);
}

ExclusiveFileLock::ExclusiveFileLock(const std::filesystem::path& lock_file) {
  fd_ = ::open(lock_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0) {
    error_ = Describe(lock_file, errno);
    return;
  }
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    error_ = Describe(lock_file, errno);
    ::close(fd_);
    fd_ = -1;
    return;
  }
}

ExclusiveFileLock::~ExclusiveFileLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace melko
