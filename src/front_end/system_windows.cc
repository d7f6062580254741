// The system layer for Windows: files through the ANSI calls, so that the
// argument's bytes name them as the C runtime passed them, and the console
// through the C runtime's text mode, which ends each line with CR LF.

#define _CRT_RAND_S  // for rand_s, before stdlib.h
#include <stdlib.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "front_end/system.h"

namespace tabulor {
namespace {

// The most bytes one ReadFile or WriteFile call is given.
constexpr DWORD kMaxTransfer = DWORD{1} << 30;

// Creation attempts before giving up on finding a free temporary name.
constexpr int kTempNameAttempts = 100;

// The temporary file to remove when the console is interrupted or closed,
// or null. The console control handler runs on a thread of its own and
// must reach it, so it is global. A published path is never freed, so the
// handler cannot read freed memory: a run publishes at most one.
std::atomic<const char*> g_temporary_path{nullptr};

BOOL WINAPI remove_temporary_file(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      if (const char* path = g_temporary_path.exchange(nullptr)) {
        // The file is open with FILE_SHARE_DELETE: it goes when the
        // process ends, which the default handler does next.
        DeleteFileA(path);
      }
      break;
  }
  return FALSE;
}

// Both separators name directories on Windows.
std::string directory_part(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The full path of a name, for ReplaceFile, which wine does not resolve
// from the current directory. Empty when there is none.
std::string full_path(const std::string& name) {
  const DWORD size = GetFullPathNameA(name.c_str(), 0, nullptr, nullptr);
  if (size == 0) return "";
  std::string path(size, '\0');
  const DWORD got = GetFullPathNameA(name.c_str(), size, path.data(), nullptr);
  if (got == 0 || got >= size) return "";
  path.resize(got);
  return path;
}

// The identity of an open file: its volume and its index there.
bool file_identity(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) {
  return GetFileInformationByHandle(file, info) != 0;
}

bool same_file(HANDLE a, const std::string& b_name) {
  const HANDLE b = CreateFileA(
      b_name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (b == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION a_info, b_info;
  const bool same =
      file_identity(a, &a_info) && file_identity(b, &b_info) &&
      a_info.dwVolumeSerialNumber == b_info.dwVolumeSerialNumber &&
      a_info.nFileIndexHigh == b_info.nFileIndexHigh &&
      a_info.nFileIndexLow == b_info.nFileIndexLow;
  CloseHandle(b);
  return same;
}

}  // namespace

void prepare_process() { SetConsoleCtrlHandler(remove_temporary_file, TRUE); }

hash_seed random_seed() {
  hash_seed seed;
  unsigned int part[4] = {};
  for (unsigned int& p : part) {
    if (rand_s(&p) != 0) p = GetTickCount() ^ GetCurrentProcessId();
  }
  seed.k0 = uint64_t{part[0]} << 32 | part[1];
  seed.k1 = uint64_t{part[2]} << 32 | part[3];
  return seed;
}

bool console_sink::write(std::string_view data) {
  return std::fwrite(data.data(), 1, data.size(), stdout) == data.size() &&
         std::fflush(stdout) == 0;
}

struct table_file::state {
  HANDLE handle = INVALID_HANDLE_VALUE;
};

table_file::table_file() : state_(new state) {}

table_file::~table_file() {
  if (state_->handle != INVALID_HANDLE_VALUE) CloseHandle(state_->handle);
}

bool table_file::open(const std::string& name) {
  // A directory fails to open without FILE_FLAG_BACKUP_SEMANTICS.
  state_->handle =
      CreateFileA(name.c_str(), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return state_->handle != INVALID_HANDLE_VALUE;
}

std::ptrdiff_t table_file::read(char* buffer, size_t capacity) {
  DWORD got = 0;
  const DWORD want =
      capacity < kMaxTransfer ? static_cast<DWORD>(capacity) : kMaxTransfer;
  if (!ReadFile(state_->handle, buffer, want, &got, nullptr)) {
    // A pipe whose writer has gone is at its end, not in error.
    return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
  }
  return static_cast<std::ptrdiff_t>(got);
}

struct mapping_file::state {
  HANDLE handle = INVALID_HANDLE_VALUE;
  std::string target_path;
  std::string temporary_path;  // empty once in place, or never made
  bool replaces = false;       // whether target_path exists
};

mapping_file::mapping_file() : state_(new state) {}

mapping_file::~mapping_file() {
  state& s = *state_;
  if (s.handle != INVALID_HANDLE_VALUE) CloseHandle(s.handle);
  if (!s.temporary_path.empty()) {
    g_temporary_path = nullptr;
    DeleteFileA(s.temporary_path.c_str());
  }
}

bool mapping_file::open(const std::string& name, const table_file& table) {
  state& s = *state_;
  s.target_path = name;
  const DWORD attributes = GetFileAttributesA(name.c_str());
  s.replaces = attributes != INVALID_FILE_ATTRIBUTES;
  if (!s.replaces && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
  if (s.replaces) {
    // A read-only file refuses a plain open for writing: so here too.
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) ||
        same_file(table.state_->handle, name)) {
      return false;
    }
    const HANDLE probe =
        CreateFileA(name.c_str(), GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return false;
    CloseHandle(probe);
  }
  const std::string prefix = directory_part(name) + ".tabulor-" +
                             std::to_string(GetCurrentProcessId()) + "-";
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    std::string path = prefix + std::to_string(attempt) + ".tmp";
    s.handle =
        CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE,
                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (s.handle != INVALID_HANDLE_VALUE) {
      s.temporary_path = std::move(path);
      // Published as a copy that lives as long as the process.
      g_temporary_path = (new std::string(s.temporary_path))->c_str();
      return true;
    }
    // A name left by an earlier, killed run with the same process id.
    if (GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  return false;
}

bool mapping_file::write(std::string_view data) {
  while (!data.empty()) {
    const DWORD want = data.size() < kMaxTransfer
                           ? static_cast<DWORD>(data.size())
                           : kMaxTransfer;
    DWORD wrote = 0;
    if (!WriteFile(state_->handle, data.data(), want, &wrote, nullptr) ||
        wrote == 0) {
      return false;
    }
    data.remove_prefix(wrote);
  }
  return true;
}

bool mapping_file::commit() {
  state& s = *state_;
  const bool flushed = FlushFileBuffers(s.handle) != 0;
  const bool closed = CloseHandle(s.handle) != 0;
  s.handle = INVALID_HANDLE_VALUE;
  if (!flushed || !closed) return false;
  // ReplaceFile keeps the replaced file's attributes and security; a new
  // file is moved into place, through to the disk.
  const bool placed =
      s.replaces
          ? ReplaceFileA(full_path(s.target_path).c_str(),
                         full_path(s.temporary_path).c_str(), nullptr,
                         REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
          : MoveFileExA(s.temporary_path.c_str(), s.target_path.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
                0;
  if (!placed) return false;
  g_temporary_path = nullptr;
  s.temporary_path.clear();
  return true;
}

}  // namespace tabulor
