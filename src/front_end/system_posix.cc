// The system layer for POSIX systems, with Linux's extended attributes
// where the system has them.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/random.h>
#include <sys/xattr.h>
#endif

#include <cerrno>
#include <climits>
#include <cstdint>
#include <vector>

#include "front_end/system.h"

namespace tabulor {
namespace {

// Interruptions that remove the temporary file before the process dies.
constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Symbolic links followed before a name counts as a loop, as the kernel
// counts them.
constexpr int kMaxLinks = 40;

// Creation attempts before giving up on finding a free temporary name.
constexpr int kTempNameAttempts = 100;

// The temporary file to remove on an interruption, or null. The signal
// handler must reach it, so it is global; it changes only while the
// interruptions are blocked.
const char* volatile g_temporary_path = nullptr;

extern "C" void remove_temporary_file_and_die(int signal_number) {
  const char* path = g_temporary_path;
  if (path != nullptr) unlink(path);
  // SA_RESETHAND has restored the default action, and SA_NODEFER lets the
  // signal through at once: the process dies of it, as callers expect.
  raise(signal_number);
}

// Blocks the interruptions for its lifetime, so that the temporary file and
// g_temporary_path always change together.
class interruptions_blocked {
 public:
  interruptions_blocked() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : kInterruptions) sigaddset(&set, s);
    sigprocmask(SIG_BLOCK, &set, &saved_);
  }
  ~interruptions_blocked() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }
  interruptions_blocked(const interruptions_blocked&) = delete;
  interruptions_blocked& operator=(const interruptions_blocked&) = delete;

 private:
  sigset_t saved_;
};

std::string directory_part(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Follows symbolic links from `name` to the file that writing it would
// write. Returns false for a link loop or a name that cannot be looked at;
// otherwise *exists tells whether that file exists, and *file holds its
// status when it does.
bool resolve_links(const std::string& name, std::string* target, bool* exists,
                   struct stat* file) {
  *target = name;
  for (int links = 0; links <= kMaxLinks; ++links) {
    if (lstat(target->c_str(), file) != 0) {
      *exists = false;
      return errno == ENOENT;
    }
    if (!S_ISLNK(file->st_mode)) {
      *exists = true;
      return true;
    }
    std::vector<char> link(static_cast<size_t>(file->st_size) + PATH_MAX);
    const ssize_t size = readlink(target->c_str(), link.data(), link.size());
    if (size < 0 || static_cast<size_t>(size) == link.size()) return false;
    const std::string contents(link.data(), static_cast<size_t>(size));
    *target = contents.starts_with('/') ? contents
                                        : directory_part(*target) + contents;
  }
  return false;  // a loop
}

// Whether an attribute could not have been set by this user, or on this
// file system, anyway: then not having copied it is no error.
bool attribute_out_of_reach(int error) {
  return error == EPERM || error == EACCES || error == ENOTSUP ||
         error == EOPNOTSUPP;
}

// Gives the open file `to` every extended attribute of `from`, the POSIX
// ACL among them, and no access ACL when `from` has none. Returns false on a
// failure other than an attribute out of reach.
bool copy_extended_attributes(const std::string& from, int to) {
#if defined(__linux__)
  // A new file takes its directory's default ACL, which the file it
  // replaces may not have had.
  constexpr const char* kAccessAcl = "system.posix_acl_access";
  if (getxattr(from.c_str(), kAccessAcl, nullptr, 0) < 0 && errno == ENODATA &&
      fremovexattr(to, kAccessAcl) != 0 && errno != ENODATA &&
      !attribute_out_of_reach(errno)) {
    return false;
  }
  const ssize_t list_size = listxattr(from.c_str(), nullptr, 0);
  if (list_size < 0) return attribute_out_of_reach(errno);
  std::vector<char> names(static_cast<size_t>(list_size));
  const ssize_t got = listxattr(from.c_str(), names.data(), names.size());
  if (got < 0) return attribute_out_of_reach(errno);
  std::vector<char> value;
  for (size_t at = 0; at < static_cast<size_t>(got);) {
    const char* name = names.data() + at;
    at += std::char_traits<char>::length(name) + 1;
    const ssize_t value_size = getxattr(from.c_str(), name, nullptr, 0);
    if (value_size < 0) {
      if (attribute_out_of_reach(errno)) continue;
      return false;
    }
    value.resize(static_cast<size_t>(value_size));
    const ssize_t read_size =
        getxattr(from.c_str(), name, value.data(), value.size());
    if (read_size < 0) return attribute_out_of_reach(errno);
    if (fsetxattr(to, name, value.data(), static_cast<size_t>(read_size), 0) !=
            0 &&
        !attribute_out_of_reach(errno)) {
      return false;
    }
  }
#else
  (void)from;
  (void)to;
#endif
  return true;
}

// Syncs the directory that holds `path`, so that a rename into it lasts.
bool sync_directory(const std::string& path) {
  const std::string directory = directory_part(path);
  const int fd = ::open(directory.empty() ? "." : directory.c_str(),
                        O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  // EINVAL: the file system cannot sync a directory; there is nothing to do.
  const bool synced = fsync(fd) == 0 || errno == EINVAL;
  return ::close(fd) == 0 && synced;
}

}  // namespace

void prepare_process() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      // The lowest free descriptor, which is this one.
      ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    }
  }
  // A file size limit must fail the write, so that the run can report it;
  // a reader of the message that went away must not change the status.
  signal(SIGXFSZ, SIG_IGN);
  signal(SIGPIPE, SIG_IGN);
  for (int s : kInterruptions) {
    struct sigaction old_action;
    if (sigaction(s, nullptr, &old_action) != 0 ||
        old_action.sa_handler == SIG_IGN) {
      continue;  // nohup and background jobs ignore some of them: keep that
    }
    struct sigaction action = {};
    action.sa_handler = remove_temporary_file_and_die;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigaction(s, &action, nullptr);
  }
}

hash_seed random_seed() {
  hash_seed seed;
#if defined(__linux__)
  if (getrandom(&seed, sizeof seed, 0) == sizeof seed) return seed;
#endif
  const int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    const ssize_t got = ::read(fd, &seed, sizeof seed);
    ::close(fd);
    if (got == sizeof seed) return seed;
  }
  // No random source: a key that differs from run to run still keeps a
  // table written in advance from colliding on purpose.
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  seed.k0 = static_cast<uint64_t>(now.tv_nsec) ^
            static_cast<uint64_t>(now.tv_sec) << 30;
  seed.k1 =
      static_cast<uint64_t>(getpid()) ^ reinterpret_cast<uintptr_t>(&seed);
  return seed;
}

bool console_sink::write(std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(STDOUT_FILENO, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

struct table_file::state {
  int fd = -1;
};

table_file::table_file() : state_(new state) {}

table_file::~table_file() {
  if (state_->fd >= 0) ::close(state_->fd);
}

bool table_file::open(const std::string& name) {
  state_->fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  return state_->fd >= 0;
}

std::ptrdiff_t table_file::read(char* buffer, size_t capacity) {
  for (;;) {
    const ssize_t n = ::read(state_->fd, buffer, capacity);
    if (n >= 0 || errno != EINTR) return n;
  }
}

struct mapping_file::state {
  int fd = -1;
  std::string target_path;     // the file the name leads to
  std::string temporary_path;  // empty when writing the target directly
  bool replaces = false;       // whether target_path exists
  struct stat replaced = {};   // its status, when it does
};

mapping_file::mapping_file() : state_(new state) {}

mapping_file::~mapping_file() {
  state& s = *state_;
  if (s.fd >= 0) ::close(s.fd);
  if (!s.temporary_path.empty()) {
    interruptions_blocked blocked;
    unlink(s.temporary_path.c_str());
    g_temporary_path = nullptr;
  }
}

bool mapping_file::open(const std::string& name, const table_file& table) {
  state& s = *state_;
  if (!resolve_links(name, &s.target_path, &s.replaces, &s.replaced)) {
    return false;
  }
  if (s.replaces) {
    struct stat table_status;
    if (S_ISDIR(s.replaced.st_mode) ||
        (fstat(table.state_->fd, &table_status) == 0 &&
         table_status.st_dev == s.replaced.st_dev &&
         table_status.st_ino == s.replaced.st_ino)) {
      return false;
    }
    // Refuse a file that could not be opened for writing, as a plain open
    // would. The probe changes nothing; O_NONBLOCK keeps a FIFO without a
    // reader from hanging the run.
    const int probe = ::open(s.target_path.c_str(),
                             O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (probe < 0) return false;
    ::close(probe);
    if (!S_ISREG(s.replaced.st_mode)) {
      s.fd = ::open(s.target_path.c_str(),
                    O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
      return s.fd >= 0;
    }
  }
  // A short name of its own, so that it fits wherever the target's name
  // fits; hidden, so that listings and globs for *.ucm pass it by.
  const std::string prefix = directory_part(s.target_path) + ".tabulor-" +
                             std::to_string(getpid()) + "-";
  interruptions_blocked blocked;
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    std::string path = prefix + std::to_string(attempt) + ".tmp";
    s.fd = ::open(path.c_str(),
                  O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
    if (s.fd >= 0) {
      s.temporary_path = std::move(path);
      g_temporary_path = s.temporary_path.c_str();
      return true;
    }
    // A name left by an earlier, killed run with the same process id.
    if (errno != EEXIST) return false;
  }
  return false;
}

bool mapping_file::write(std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(state_->fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool mapping_file::commit() {
  state& s = *state_;
  const int fd = s.fd;
  s.fd = -1;
  if (s.temporary_path.empty()) return ::close(fd) == 0;
  bool kept = true;
  if (s.replaces) {
    // The old file's owner where the user may give it (root may; others
    // may only keep a group they belong to), as writing into it would have.
    if (fchown(fd, s.replaced.st_uid, s.replaced.st_gid) != 0) {
      (void)fchown(fd, static_cast<uid_t>(-1), s.replaced.st_gid);
    }
    // After fchown, which may clear set-id bits; before the ACL, which
    // sets the group bits itself.
    kept = fchmod(fd, s.replaced.st_mode & 07777) == 0 &&
           copy_extended_attributes(s.target_path, fd);
  }
  const bool written = kept && fsync(fd) == 0;
  if (::close(fd) != 0 || !written) return false;
  {
    interruptions_blocked blocked;
    if (rename(s.temporary_path.c_str(), s.target_path.c_str()) != 0) {
      return false;
    }
    s.temporary_path.clear();
    g_temporary_path = nullptr;
  }
  return sync_directory(s.target_path);
}

}  // namespace tabulor
