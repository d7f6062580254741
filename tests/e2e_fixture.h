// The fixture of the end-to-end tests: the real tabulor binary, run in a
// fresh temporary directory with real files.
//
// The same tests run every build. The suite is a program of the machine
// that builds; the environment tells it how to start the tool:
//   TABULOR_E2E_BINARY    the tool (default: the build's own tabulor)
//   TABULOR_E2E_EMULATOR  what starts it, as a CMake list ("qemu-s390x;-L;
//                         /usr/s390x-linux-gnu", "wine"); default: nothing
//   TABULOR_E2E_SYSTEM    "windows" for a Windows build; default: POSIX

#ifndef TABULOR_TESTS_E2E_FIXTURE_H_
#define TABULOR_TESTS_E2E_FIXTURE_H_

#include <sys/resource.h>
#include <sys/types.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tabulor {

inline constexpr uid_t kNobody = 65534;

// For tests of what only a POSIX build has: permission bits, owners,
// rlimits, signals, symbolic links, FIFOs and devices.
#define TABULOR_POSIX_ONLY()              \
  if (::tabulor::testing_windows_build()) \
  GTEST_SKIP() << "a POSIX matter, not tested on Windows"

// A small table with comments, an empty line, both separators and CR LF
// line ends, the CHARMAP lines it gives, and the mapping file of code page
// 300.
inline const std::string kSmallTable =
    "; test table\r\n\r\nA 41 B 41\r\nA=C1 B=C1\r\n";
inline const std::string kSmallCharmap =
    "<U0041> \\x41 |0\r\n<U00C1> \\xC1 |0\r\n";
inline const std::string kMapping300 = "zel-300_p100-2006.ucm";

// Whether the tool under test is a Windows build, and whether it runs
// under an emulator.
bool testing_windows_build();
bool testing_emulated_build();

// The tool's messages as its console writes them: LF on POSIX systems, CR
// LF on Windows.
std::string usage_message();
std::string not_found_message(std::string_view table);
std::string created_message(std::string_view mapping);
std::string not_written_message(std::string_view mapping);

std::string read_file(const std::string& path);
void write_file(const std::string& path, std::string_view bytes);

// A table of `count` distinct pairs, each accepted: x 0 u 0, x 1 u 1, ...
std::string distinct_pairs(int count);

// The CHARMAP lines of distinct_pairs(count).
std::string distinct_charmap(int count);

// The mapping file of code page `number` with the given CHARMAP lines,
// taking its header from the stored sample.
std::string mapping_with(std::string_view number, std::string_view charmap);

// How the tool is started, beyond its arguments.
struct child_options {
  rlim_t file_size_limit = RLIM_INFINITY;
  rlim_t address_space_limit = RLIM_INFINITY;
  bool as_nobody = false;  // drop root, so that permissions apply
  mode_t umask = 022;
  bool output_closed = false;            // nobody reads the standard output
  bool standard_streams_closed = false;  // started with fds 0-2 closed
  std::vector<int> ignored_signals;      // as nohup and shells do
};

struct child_result {
  int status = -1;  // exit status, or -1 when it did not exit
  int signal = 0;   // the signal that ended it, if one did
  std::string output;
};

// A run whose table is a FIFO that the test holds open: the run waits for
// more of the table until the test acts.
struct held_run {
  pid_t pid = -1;
  int output_fd = -1;
  int table_fd = -1;
};

class TabulorTest : public ::testing::Test {
 protected:
  // The run directory is work/ in a fresh temporary directory, which also
  // holds a copy of the binary that nobody may run wherever the build is.
  void SetUp() override;
  void TearDown() override;

  const std::string& run_directory() const { return dir_; }
  std::string path(std::string_view name) const;
  // The names in the run directory, or in one below it.
  std::set<std::string> files(std::string_view subdir = "") const;
  // The name of a run's temporary file, or "" while there is none.
  std::string temporary_file() const;

  child_result run(const std::vector<std::string>& args,
                   const child_options& options = {}) const;

  // Starts a run of NUMBER.cp, which it makes a FIFO, feeds it
  // `first_part` of a table and returns once the run has created its
  // temporary file: the run is then mid-conversion.
  held_run start_held(const std::string& number, const std::string& first_part,
                      const child_options& options = {}) const;
  // Closes the FIFO, so that the run sees the end of its table, and waits
  // for the run.
  static child_result finish_held(held_run& held);

 private:
  pid_t start(const std::vector<std::string>& args,
              const child_options& options, int* output_fd) const;
  static child_result finish(pid_t pid, int output_fd);

  std::string base_;
  std::string dir_;
  std::string binary_;
};

}  // namespace tabulor

#endif  // TABULOR_TESTS_E2E_FIXTURE_H_
