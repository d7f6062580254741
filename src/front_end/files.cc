#include "front_end/files.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace tabulor {
namespace {

// Creation attempts before giving up on finding a free temporary name.
constexpr int kTempNameAttempts = 100;

std::string directory_part(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Returns the path that writing to `path` would write to: `path` itself, or
// the file a symbolic link leads to.
std::string resolved_path(const std::string& path) {
  struct stat link;
  if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
  std::unique_ptr<char, decltype(&free)> real(realpath(path.c_str(), nullptr),
                                              &free);
  return real ? std::string(real.get()) : path;
}

}  // namespace

long fd_source::read(char* buffer, size_t capacity) {
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, capacity);
    if (n >= 0 || errno != EINTR) return n;
  }
}

bool fd_sink::write(std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd_, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(n);
  }
  return true;
}

input_file::input_file(const std::string& path)
    : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY)) {}

input_file::~input_file() {
  if (fd_ >= 0) ::close(fd_);
}

replacement_file::~replacement_file() { discard(); }

bool replacement_file::open(const std::string& path) {
  struct stat existing;
  const bool exists = stat(path.c_str(), &existing) == 0;
  if (!exists && errno != ENOENT) return false;
  if (exists) {
    if (S_ISDIR(existing.st_mode)) return false;
    // Refuse a file that could not be opened for writing, as a plain open
    // would. The probe changes nothing; O_NONBLOCK keeps a FIFO without a
    // reader from hanging the run.
    const int probe =
        ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (probe < 0) return false;
    ::close(probe);
    if (!S_ISREG(existing.st_mode)) {
      fd_ = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
      return fd_ >= 0;
    }
  }
  target_path_ = resolved_path(path);
  if (!create_temp()) return false;
  if (exists && !take_attributes(existing)) {
    discard();
    return false;
  }
  return true;
}

bool replacement_file::create_temp() {
  // A short name of its own, so that it fits wherever the target's name
  // fits; hidden, so that listings and globs for *.ucm pass it by.
  const std::string prefix = directory_part(target_path_) + ".tabulor-" +
                             std::to_string(getpid()) + "-";
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    std::string temp = prefix + std::to_string(attempt) + ".tmp";
    fd_ = ::open(temp.c_str(),
                 O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      temp_path_ = std::move(temp);
      return true;
    }
    // A name left by an earlier, killed run with the same process id.
    if (errno != EEXIST) return false;
  }
  return false;
}

bool replacement_file::take_attributes(const struct stat& old_file) {
  // Keep the old file's owner where the user may (root may; others may
  // only keep a group they belong to), as writing into it would have.
  if (fchown(fd_, old_file.st_uid, old_file.st_gid) != 0 &&
      fchown(fd_, static_cast<uid_t>(-1), old_file.st_gid) != 0) {
    // The new file stays the user's own: nothing else can be done.
  }
  // After fchown, which may clear set-id bits.
  return fchmod(fd_, old_file.st_mode & 07777) == 0;
}

bool replacement_file::commit() {
  const int fd = fd_;
  fd_ = -1;
  const bool closed = ::close(fd) == 0;
  if (temp_path_.empty()) return closed;
  if (closed && rename(temp_path_.c_str(), target_path_.c_str()) == 0) {
    temp_path_.clear();
    return true;
  }
  discard();
  return false;
}

void replacement_file::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_path_.empty()) unlink(temp_path_.c_str());
  temp_path_.clear();
}

}  // namespace tabulor
