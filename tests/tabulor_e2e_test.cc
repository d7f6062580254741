// Runs the real tabulor binary in a temporary directory with real files.

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "reference_model.h"
#include "test_util.h"

namespace tabulor {
namespace {

constexpr const char* kUsage =
    "\nCode Page Number Expected. Example: tabulor 300\n\n";
constexpr uid_t kNobody = 65534;

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void write_file(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

std::string not_found(std::string_view table) {
  return "\nFile " + std::string(table) + " Not Found.\n\n";
}

std::string created(std::string_view mapping) {
  return "\nUCM File " + std::string(mapping) + " created\n\n";
}

std::string not_written(std::string_view mapping) {
  return "\nFile " + std::string(mapping) + " Not Written.\n\n";
}

// A table of `count` distinct pairs, each accepted: x 0 u 0, x 1 u 1, ...
std::string distinct_pairs(int count) {
  std::string table;
  for (int i = 0; i < count; ++i) {
    table += "x " + std::to_string(i) + " u " + std::to_string(i) + "\n";
  }
  return table;
}

// How the child is started, beyond its arguments.
struct child_options {
  rlim_t file_size_limit = RLIM_INFINITY;
  rlim_t address_space_limit = RLIM_INFINITY;
  bool as_nobody = false;  // drop root, so that permissions apply
  mode_t umask = 022;
  bool output_closed = false;  // nobody reads the standard output
};

struct child_result {
  int status = -1;  // exit status, or -1 when it did not exit
  int signal = 0;   // the signal that ended it, if one did
  std::string output;
};

// A run whose table is a FIFO that the test holds open, so that the run
// waits for more of the table until the test is done with it.
struct held_run {
  pid_t pid = -1;
  int output_fd = -1;
  int table_fd = -1;
};

class TabulorTest : public ::testing::Test {
 protected:
  // The run directory is work/ in a fresh temporary directory, which also
  // holds a copy of the binary that nobody may run wherever the build is.
  void SetUp() override {
    char pattern[] = "/tmp/tabulor-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    base_ = pattern;
    ASSERT_EQ(chmod(base_.c_str(), 0755), 0);
    dir_ = base_ + "/work";
    ASSERT_EQ(mkdir(dir_.c_str(), 0755), 0);
    binary_ = base_ + "/tabulor";
    write_file(binary_, read_file(TABULOR_BINARY));
    ASSERT_EQ(chmod(binary_.c_str(), 0755), 0);
  }
  void TearDown() override {
    ASSERT_EQ(std::system(("rm -rf '" + base_ + "'").c_str()), 0);
  }

  std::string path(std::string_view name) const {
    return dir_ + "/" + std::string(name);
  }

  // Starts tabulor in the directory with `args`; returns its pid, with its
  // standard output on *output_fd.
  pid_t start(const std::vector<std::string>& args,
              const child_options& options, int* output_fd) const {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(pipe_fds[1], STDOUT_FILENO);
      close(pipe_fds[0]);
      close(pipe_fds[1]);
      umask(options.umask);
      const rlimit limit{options.file_size_limit, options.file_size_limit};
      const rlimit memory{options.address_space_limit,
                          options.address_space_limit};
      if (chdir(dir_.c_str()) != 0 || setrlimit(RLIMIT_FSIZE, &limit) != 0 ||
          setrlimit(RLIMIT_AS, &memory) != 0 ||
          (options.as_nobody &&
           (setgid(kNobody) != 0 || setuid(kNobody) != 0))) {
        _exit(127);
      }
      std::vector<char*> argv{const_cast<char*>(binary_.c_str())};
      for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      execv(binary_.c_str(), argv.data());
      _exit(127);
    }
    close(pipe_fds[1]);
    if (options.output_closed) {
      close(pipe_fds[0]);
      pipe_fds[0] = open("/dev/null", O_RDONLY);
    }
    *output_fd = pipe_fds[0];
    return pid;
  }

  static child_result finish(pid_t pid, int output_fd) {
    child_result result;
    char buffer[4096];
    ssize_t n;
    while ((n = read(output_fd, buffer, sizeof buffer)) > 0) {
      result.output.append(buffer, n);
    }
    close(output_fd);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
  }

  // The name of the run's temporary file, or "" while there is none.
  std::string temporary_file() const {
    for (const std::string& name : files()) {
      if (name.starts_with(".tabulor-")) return name;
    }
    return "";
  }

  // Starts a run of NUMBER.cp, a FIFO, feeds it `first_part` of the table
  // and returns once the run has created its temporary file: the run is
  // then mid-conversion, and stays there until the test acts.
  held_run start_held(const std::string& number, const std::string& first_part,
                      const child_options& options = {}) const {
    held_run held;
    // The run may die while the test still feeds it.
    signal(SIGPIPE, SIG_IGN);
    EXPECT_EQ(mkfifo(path(number + ".cp").c_str(), 0644), 0);
    held.pid = start({number}, options, &held.output_fd);
    held.table_fd = open(path(number + ".cp").c_str(), O_WRONLY);
    EXPECT_GE(held.table_fd, 0);
    EXPECT_EQ(write(held.table_fd, first_part.data(), first_part.size()),
              static_cast<ssize_t>(first_part.size()));
    // Not a guess at timing: this waits for the file, however long it
    // takes to come.
    for (int waited_ms = 0; temporary_file().empty(); ++waited_ms) {
      if (waited_ms == 60000) {
        ADD_FAILURE() << "no temporary file after a minute";
        break;
      }
      usleep(1000);
    }
    return held;
  }

  static child_result finish_held(held_run& held) {
    close(held.table_fd);
    return finish(held.pid, held.output_fd);
  }

  child_result run(const std::vector<std::string>& args,
                   const child_options& options = {}) const {
    int output_fd = -1;
    const pid_t pid = start(args, options, &output_fd);
    EXPECT_GT(pid, 0);
    return finish(pid, output_fd);
  }

  std::set<std::string> files(std::string_view subdir = "") const {
    std::set<std::string> names;
    DIR* d = opendir(path(subdir).c_str());
    if (d == nullptr) return names;
    while (dirent* entry = readdir(d)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.insert(name);
    }
    closedir(d);
    return names;
  }

  std::string base_;
  std::string dir_;
  std::string binary_;
};

const std::string kSmallTable =
    "; test table\r\n\r\nA 41 B 41\r\nA=C1 B=C1\r\n";

std::string mapping_with(std::string_view number, std::string_view charmap) {
  // The header as the writer's own test pins it down byte for byte.
  const std::string file =
      read_file(TABULOR_EXAMPLES_DIR "/zel-300_p100-2006.ucm");
  std::string header = file.substr(0, file.find("CHARMAP\r\n") + 9);
  const std::string code_set = "zel-300_p100-2006";
  header.replace(header.find(code_set), code_set.size(),
                 "zel-" + std::string(number) + "_p100-2006");
  const std::string alias = "zel-300_STD";
  header.replace(header.find(alias), alias.size(),
                 "zel-" + std::string(number) + "_STD");
  return header + std::string(charmap) + "END CHARMAP\r\n";
}

TEST_F(TabulorTest, RefusesABadCommandLine) {
  write_file(path("300.cp"), kSmallTable);
  const std::vector<std::vector<std::string>> command_lines = {
      {}, {"300", "301"}, {"-h"}, {"-300"}, {"-"}, {"300", ""}};
  for (const auto& args : command_lines) {
    SCOPED_TRACE(args.size() == 1 ? args[0] : std::to_string(args.size()));
    const child_result result = run(args);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, kUsage);
    EXPECT_EQ(files(), std::set<std::string>{"300.cp"});
  }
}

TEST_F(TabulorTest, ConvertsTheSampleTableToTheStoredMappingFile) {
  write_file(path("300.cp"), read_file(TABULOR_EXAMPLES_DIR "/300.cp"));
  const child_result result = run({"300"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, created("zel-300_p100-2006.ucm"));
  EXPECT_TRUE(
      same_bytes(read_file(TABULOR_EXAMPLES_DIR "/zel-300_p100-2006.ucm"),
                 read_file(path("zel-300_p100-2006.ucm"))));
  EXPECT_EQ(files(),
            (std::set<std::string>{"300.cp", "zel-300_p100-2006.ucm"}));
}

TEST_F(TabulorTest, UsesTheCodePageNumberVerbatimInEveryName) {
  ASSERT_EQ(mkdir(path("sub").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(path("zel-sub").c_str(), 0755), 0);
  const struct {
    std::string number, table, mapping;
  } cases[] = {
      {"0300", "0300.cp", "zel-0300_p100-2006.ucm"},
      {"", ".cp", "zel-_p100-2006.ucm"},
      {"sub/300", "sub/300.cp", "zel-sub/300_p100-2006.ucm"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.table);
    write_file(path(c.table), kSmallTable);
    const child_result result = run({c.number});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, created(c.mapping));
    EXPECT_TRUE(same_bytes(
        mapping_with(c.number, "<U0041> \\x41 |0\r\n<U00C1> \\xC1 |0\r\n"),
        read_file(path(c.mapping))));
  }
}

TEST_F(TabulorTest, ReportsAMissingTableAndCreatesNothing) {
  const child_result result = run({"300"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, not_found("300.cp"));
  EXPECT_TRUE(files().empty());
}

TEST_F(TabulorTest, ConvertsWhenNobodyReadsTheMessage) {
  write_file(path("300.cp"), kSmallTable);
  child_options options;
  options.output_closed = true;  // the message's write fails with EPIPE
  EXPECT_EQ(run({"300"}, options).status, 0);
  EXPECT_EQ(files().size(), 2u);
}

TEST_F(TabulorTest, AcceptsAnArgumentOfAnyLength) {
  // The names grow past what the file system takes: the mapping file of a
  // 250-character number, the table of a 100000-character one.
  for (size_t length : {size_t{250}, size_t{100000}}) {
    const std::string number(length, 'n');
    if (length == 250) write_file(path(number + ".cp"), kSmallTable);
    const child_result result = run({number});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, not_found(number + ".cp"));
  }
  EXPECT_EQ(files().size(), 1u);
}

TEST_F(TabulorTest, ReportsAMissingMappingDirectoryAsNotFound) {
  ASSERT_EQ(mkdir(path("sub").c_str(), 0755), 0);
  write_file(path("sub/300.cp"), kSmallTable);
  const child_result result = run({"sub/300"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, not_found("sub/300.cp"));
  EXPECT_EQ(files(), std::set<std::string>{"sub"});
}

TEST_F(TabulorTest, LeavesTheMappingFileAloneWhenTheTableCannotBeRead) {
  const std::string old_content = "old mapping\n";
  write_file(path("zel-300_p100-2006.ucm"), old_content);
  ASSERT_EQ(mkdir(path("300.cp").c_str(), 0755), 0);  // a directory
  write_file(path("301.cp"), kSmallTable);
  ASSERT_EQ(chmod(path("301.cp").c_str(), 0), 0);
  write_file(path("zel-301_p100-2006.ucm"), old_content);
  ASSERT_EQ(chmod(dir_.c_str(), 0777), 0);
  for (const char* number : {"300", "301", "302"}) {
    SCOPED_TRACE(number);
    // Root reads any file, so the child drops to nobody for the unreadable
    // table.
    child_options options;
    options.as_nobody = geteuid() == 0;
    const child_result result = run({number}, options);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, not_found(std::string(number) + ".cp"));
  }
  EXPECT_EQ(read_file(path("zel-300_p100-2006.ucm")), old_content);
  EXPECT_EQ(read_file(path("zel-301_p100-2006.ucm")), old_content);
  EXPECT_EQ(files(),
            (std::set<std::string>{"300.cp", "301.cp", "zel-300_p100-2006.ucm",
                                   "zel-301_p100-2006.ucm"}));
}

TEST_F(TabulorTest, RefusesAMappingFileTheUserMayNotWrite) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the child as nobody";
  write_file(path("300.cp"), kSmallTable);
  ASSERT_EQ(chmod(path("300.cp").c_str(), 0644), 0);
  write_file(path("zel-300_p100-2006.ucm"), "old");
  ASSERT_EQ(chmod(path("zel-300_p100-2006.ucm").c_str(), 0644), 0);
  ASSERT_EQ(chmod(dir_.c_str(), 0777), 0);
  child_options options;
  options.as_nobody = true;  // root may write any file; nobody may not
  const child_result result = run({"300"}, options);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, not_found("300.cp"));
  EXPECT_EQ(read_file(path("zel-300_p100-2006.ucm")), "old");
  EXPECT_EQ(files().size(), 2u);
}

TEST_F(TabulorTest, ReplacesAnExistingMappingFileKeepingModeAndOwner) {
  write_file(path("300.cp"), kSmallTable);
  write_file(path("zel-300_p100-2006.ucm"), std::string(100000, 'o'));
  ASSERT_EQ(chmod(path("zel-300_p100-2006.ucm").c_str(), 0640), 0);
  // Root may give the new file the old one's owner; others cannot.
  const uid_t owner = geteuid() == 0 ? kNobody : geteuid();
  ASSERT_EQ(chown(path("zel-300_p100-2006.ucm").c_str(), owner, -1), 0);
  const child_result result = run({"300"});
  EXPECT_EQ(result.output, created("zel-300_p100-2006.ucm"));
  EXPECT_TRUE(same_bytes(
      mapping_with("300", "<U0041> \\x41 |0\r\n<U00C1> \\xC1 |0\r\n"),
      read_file(path("zel-300_p100-2006.ucm"))));
  struct stat st;
  ASSERT_EQ(stat(path("zel-300_p100-2006.ucm").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_uid, owner);
  EXPECT_EQ(files().size(), 2u);
}

TEST_F(TabulorTest, GivesANewMappingFileTheModeOfTheUmask) {
  write_file(path("300.cp"), kSmallTable);
  child_options options;
  options.umask = 027;
  EXPECT_EQ(run({"300"}, options).status, 0);
  struct stat st;
  ASSERT_EQ(stat(path("zel-300_p100-2006.ucm").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(TabulorTest, WritesThroughASymbolicLink) {
  write_file(path("300.cp"), kSmallTable);
  ASSERT_EQ(mkdir(path("store").c_str(), 0755), 0);
  write_file(path("store/real.ucm"), "old");
  ASSERT_EQ(symlink("store/real.ucm", path("zel-300_p100-2006.ucm").c_str()),
            0);
  EXPECT_EQ(run({"300"}).output, created("zel-300_p100-2006.ucm"));
  struct stat st;
  ASSERT_EQ(lstat(path("zel-300_p100-2006.ucm").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_TRUE(same_bytes(
      mapping_with("300", "<U0041> \\x41 |0\r\n<U00C1> \\xC1 |0\r\n"),
      read_file(path("store/real.ucm"))));
  EXPECT_EQ(files("store"), std::set<std::string>{"real.ucm"});
}

TEST_F(TabulorTest, WritesADeviceDirectly) {
  // There is no old content to keep, and the device must stay in place.
  write_file(path("300.cp"), kSmallTable);
  ASSERT_EQ(symlink("/dev/null", path("zel-300_p100-2006.ucm").c_str()), 0);
  EXPECT_EQ(run({"300"}).output, created("zel-300_p100-2006.ucm"));
  struct stat st;
  ASSERT_EQ(stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  EXPECT_EQ(files().size(), 2u);
}

TEST_F(TabulorTest, ReportsAFileSizeLimitAndKeepsTheOldMappingFile) {
  // The limit is a real RLIMIT_FSIZE set in the child: its write fails with
  // EFBIG part-way through the mapping file.
  write_file(path("300.cp"), distinct_pairs(5000));
  for (rlim_t limit : {rlim_t{0}, rlim_t{100}, rlim_t{70000}}) {
    SCOPED_TRACE(limit);
    write_file(path("zel-300_p100-2006.ucm"), "old");
    child_options options;
    options.file_size_limit = limit;
    const child_result result = run({"300"}, options);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output, not_written("zel-300_p100-2006.ucm"));
    EXPECT_EQ(read_file(path("zel-300_p100-2006.ucm")), "old");
    EXPECT_EQ(files().size(), 2u);
  }
  // Without the limit the same table converts.
  EXPECT_EQ(run({"300"}).status, 0);
}

TEST_F(TabulorTest, ReportsRunningOutOfMemoryAndKeepsTheOldMappingFile) {
#ifdef TABULOR_SANITIZED
  GTEST_SKIP() << "the sanitizers' shadow memory does not fit the limit";
#endif
  // A real RLIMIT_AS in the child: the repeat search's tables for three
  // million pairs do not fit in 64 MiB.
  write_file(path("300.cp"), distinct_pairs(3000000));
  write_file(path("zel-300_p100-2006.ucm"), "old");
  child_options options;
  options.address_space_limit = rlim_t{64} << 20;
  const child_result result = run({"300"}, options);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.output, not_written("zel-300_p100-2006.ucm"));
  EXPECT_EQ(read_file(path("zel-300_p100-2006.ucm")), "old");
  EXPECT_EQ(files().size(), 2u);
}

TEST_F(TabulorTest, LeavesTheOldMappingFileWhenKilledMidWrite) {
  const std::string table = distinct_pairs(100000);
  write_file(path("zel-300_p100-2006.ucm"), "old");
  held_run held = start_held("300", table.substr(0, table.size() / 2));
  ASSERT_EQ(kill(held.pid, SIGKILL), 0);
  const child_result result = finish_held(held);
  EXPECT_EQ(result.signal, SIGKILL);
  EXPECT_EQ(read_file(path("zel-300_p100-2006.ucm")), "old");
  // Nothing can clean up after SIGKILL: the temporary file stays, under a
  // name of its own.
  EXPECT_EQ(files().size(), 3u);
}

TEST_F(TabulorTest, ReadsTablesAsCrLfTextFiles) {
  const std::string lf = "; t\nA 41 B 41\nA 42 B 42\n";
  const std::string crlf =
      "; t\r\nA 41 B 41\r\nA 42 B 42\r\n\x1a"
      "A 43 B 43\r\n";
  write_file(path("1.cp"), lf);
  write_file(path("2.cp"), crlf);
  ASSERT_EQ(run({"1"}).status, 0);
  ASSERT_EQ(run({"2"}).status, 0);
  const std::string charmap = "<U0041> \\x41 |0\r\n<U0042> \\x42 |0\r\n";
  EXPECT_TRUE(same_bytes(mapping_with("1", charmap),
                         read_file(path("zel-1_p100-2006.ucm"))));
  EXPECT_TRUE(same_bytes(mapping_with("2", charmap),
                         read_file(path("zel-2_p100-2006.ucm"))));
}

TEST_F(TabulorTest, ConvertsBinaryAndDegenerateInputWithoutHarm) {
  const std::string distinct = distinct_pairs(1000000);
  std::string distinct_charmap;
  for (int i = 0; i < 1000000; ++i) {
    const std::string n = std::to_string(i);
    distinct_charmap += "<U00" + n + "> \\x" + n + " |0\r\n";
  }
  const std::string executable = read_file(TABULOR_BINARY);
  const struct {
    const char* name;
    std::string table;
    std::string charmap;
  } cases[] = {
      {"an executable", executable, reference_charmap(executable)},
      {"NUL bytes", std::string(100000, '\0'), ""},
      {"CR bytes", std::string(100000, '\r'), ""},
      {"a million distinct pairs", distinct, distinct_charmap},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    write_file(path("9.cp"), c.table);
    const child_result result = run({"9"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, created("zel-9_p100-2006.ucm"));
    EXPECT_TRUE(same_bytes(mapping_with("9", c.charmap),
                           read_file(path("zel-9_p100-2006.ucm"))));
  }
}

}  // namespace
}  // namespace tabulor
