#include "common/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace melko {
namespace {

std::string Describe(const std::filesystem::path& path, int error_number) {
  return path.string() + ": " + std::strerror(error_number);
}

}  // namespace

std::string ReasonWithoutPath(std::string_view error, const std::filesystem::path& path) {
  const std::string prefix = path.string() + ": ";
  if (error.size() > prefix.size() && error.substr(0, prefix.size()) == prefix) {
    error.remove_prefix(prefix.size());
  }
  return std::string(error);
}

namespace {

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

namespace {

// What a path that is not a regular file is, for the reason its read is refused.
const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "something else";
}

}  // namespace

FileBytes ReadFilePrefix(const std::filesystem::path& path, std::uint64_t max_bytes) {
  FileBytes result;
  // Opened without blocking: a named pipe with no writer would wait forever in open(), and only
  // regular files are read at all (a pipe, a device or a socket could hold the reader, and the
  // store lock with it, for as long as it likes).
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    result.missing = (errno == ENOENT);
    result.error = Describe(path, errno);
    return result;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    result.error = Describe(path, errno);
  } else if (!S_ISREG(info.st_mode)) {
    result.error = path.string() + ": not a regular file (" + KindOf(info.st_mode) + ")";
  }
  if (!result.error.empty()) {
    ::close(fd);
    return result;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  result.opened = true;
  result.file_size = info.st_size > 0 ? std::uint64_t(info.st_size) : 0;
  constexpr std::size_t kChunk = 1 << 16;
  std::uint64_t wanted = max_bytes;
  // Room for the whole file at once: growing chunk by chunk copies a store of megabytes several
  // times over.
  result.bytes.reserve(std::size_t(std::min<std::uint64_t>(result.file_size, max_bytes)) + kChunk);
  for (;;) {
    // One byte beyond max_bytes tells whether more follows.
    const std::size_t room = wanted >= kChunk ? kChunk : std::size_t(wanted) + 1;
    const std::size_t filled = result.bytes.size();
    result.bytes.resize(filled + room);
    const ssize_t got = ::read(fd, result.bytes.data() + filled, room);
    if (got < 0 && errno == EINTR) {
      result.bytes.resize(filled);
      continue;
    }
    if (got < 0) {
      result.opened = false;
      result.error = Describe(path, errno);
      result.bytes.clear();
      break;
    }
    result.bytes.resize(filled + std::size_t(got));
    if (got == 0) break;
    if (std::uint64_t(got) > wanted) {
      result.more = true;
      result.bytes.resize(std::size_t(max_bytes));
      break;
    }
    wanted -= std::uint64_t(got);
  }
  ::close(fd);
  return result;
}

WholeFile ReadWholeFile(const std::filesystem::path& path, std::uint64_t max_bytes) {
  WholeFile result;
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
      std::uint64_t(info.st_size) > max_bytes) {
    result.file.opened = true;
    result.file.file_size = std::uint64_t(info.st_size);
    result.too_large = true;
    return result;
  }
  result.file = ReadFilePrefix(path, max_bytes);
  result.too_large = result.file.more;
  if (result.too_large) result.file.bytes.clear();
  return result;
}

namespace {

// The file a path names, following symbolic links (also dangling ones: the target is created).
std::filesystem::path ResolveLinks(const std::filesystem::path& path) {
  std::filesystem::path target = path;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code error;
    if (!std::filesystem::is_symlink(target, error)) break;
    const std::filesystem::path link = std::filesystem::read_symlink(target, error);
    if (error) break;
    target = link.is_absolute() ? link : target.parent_path() / link;
  }
  return target;
}

Outcome WriteInPlace(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return Outcome::Failure(Describe(path, errno));
  const bool written = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
  const int write_errno = errno;
  if (::close(fd) != 0 || !written)
    return Outcome::Failure(Describe(path, written ? errno : write_errno));
  return Outcome::Success();
}

}  // namespace

Outcome WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                            WhenNoTemporary when_no_temporary) {
  const std::filesystem::path target = ResolveLinks(path);
  const std::filesystem::path folder =
      target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  struct stat old_file {};
  const bool replacing = ::stat(target.c_str(), &old_file) == 0 && S_ISREG(old_file.st_mode);

  std::string temp_name = (folder / ("." + target.filename().string() + ".tmp-XXXXXX")).string();
  const int fd = ::mkstemp(temp_name.data());
  // Locked while it is written: a temporary nobody holds was left by a writer that died.
  if (fd >= 0) ::flock(fd, LOCK_EX | LOCK_NB);
  if (fd < 0) {
    const int temp_errno = errno;
    if (when_no_temporary == WhenNoTemporary::kWriteInPlace && replacing &&
        ::access(target.c_str(), W_OK) == 0) {
      return WriteInPlace(target, bytes);
    }
    return Outcome::Failure(Describe(folder, temp_errno));
  }
  if (replacing) {
    // The new file takes the place of the old one: same permissions, and the same owner where
    // the system lets us (it does not for another user's file unless we are root).
    ::fchmod(fd, old_file.st_mode & 07777);
    if (old_file.st_uid != ::geteuid() || old_file.st_gid != ::getegid()) {
      [[maybe_unused]] const int ignored = ::fchown(fd, old_file.st_uid, old_file.st_gid);
    }
  } else {
    // mkstemp creates the file 0600; give it the permissions an ordinary new file would have.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  const bool written = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
  const int write_errno = errno;
  if (::close(fd) != 0 || !written) {
    ::unlink(temp_name.c_str());
    return Outcome::Failure(Describe(target, written ? errno : write_errno));
  }
  if (::rename(temp_name.c_str(), target.c_str()) != 0) {
    const int rename_errno = errno;
    ::unlink(temp_name.c_str());
    return Outcome::Failure(Describe(target, rename_errno));
  }
  SyncFolder(folder);
  return Outcome::Success();
}

void RemoveStaleTemporaries(const std::filesystem::path& path, std::chrono::seconds min_age) {
  const std::filesystem::path target = ResolveLinks(path);
  const std::string prefix = "." + target.filename().string() + ".tmp-";
  const std::time_t now = std::time(nullptr);
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(target.parent_path(), error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() != prefix.size() + 6 || name.rfind(prefix, 0) != 0) continue;
    const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) continue;
    struct stat info {};
    struct stat named {};
    // Skipped while a writer holds it, and when it is young enough that its writer may not have
    // locked it yet; the name must still be the file locked.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &info) == 0 &&
        ::lstat(entry.path().c_str(), &named) == 0 && named.st_ino == info.st_ino &&
        named.st_dev == info.st_dev && S_ISREG(info.st_mode) &&
        now - info.st_mtime >= min_age.count()) {
      ::unlink(entry.path().c_str());
    }
    ::close(fd);
  }
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

ExclusiveFileLock::ExclusiveFileLock(const std::filesystem::path& lock_file, Mode mode) {
  fd_ = ::open(lock_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0 && mode == Mode::kShared) {
    // A folder this user may only read: a reader locks the file it finds, or goes without.
    fd_ = ::open(lock_file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
      unlocked_reader_ = true;
      return;
    }
  }
  if (fd_ < 0) {
    error_ = Describe(lock_file, errno);
    return;
  }
  while (::flock(fd_, mode == Mode::kShared ? LOCK_SH : LOCK_EX) != 0) {
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
