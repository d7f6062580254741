#include "e2e_fixture.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tabulor {
namespace {

struct tool_command {
  std::vector<std::string> emulator;
  std::string binary;
  bool windows = false;
};

std::vector<std::string> split_list(const char* list) {
  std::vector<std::string> words;
  std::stringstream in(list == nullptr ? "" : list);
  for (std::string word; std::getline(in, word, ';');) {
    if (!word.empty()) words.push_back(word);
  }
  return words;
}

const tool_command& the_tool() {
  static const tool_command command = [] {
    tool_command c;
    const char* binary = std::getenv("TABULOR_E2E_BINARY");
    c.binary = binary != nullptr ? binary : TABULOR_BINARY;
    c.emulator = split_list(std::getenv("TABULOR_E2E_EMULATOR"));
    const char* system = std::getenv("TABULOR_E2E_SYSTEM");
    c.windows = system != nullptr && std::string_view(system) == "windows";
    return c;
  }();
  return command;
}

std::string console_text(std::string message) {
  if (!testing_windows_build()) return message;
  std::string text;
  for (char c : message)
    text += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return text;
}

}  // namespace

bool testing_windows_build() { return the_tool().windows; }
bool testing_emulated_build() { return !the_tool().emulator.empty(); }

std::string usage_message() {
  return console_text("\nCode Page Number Expected. Example: tabulor 300\n\n");
}

std::string not_found_message(std::string_view table) {
  return console_text("\nFile " + std::string(table) + " Not Found.\n\n");
}

std::string created_message(std::string_view mapping) {
  return console_text("\nUCM File " + std::string(mapping) + " created\n\n");
}

std::string not_written_message(std::string_view mapping) {
  return console_text("\nFile " + std::string(mapping) + " Not Written.\n\n");
}

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

std::string distinct_pairs(int count) {
  std::string table;
  for (int i = 0; i < count; ++i) {
    table += "x " + std::to_string(i) + " u " + std::to_string(i) + "\n";
  }
  return table;
}

std::string distinct_charmap(int count) {
  std::string charmap;
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    charmap += "<U00" + n + "> \\x" + n + " |0\r\n";
  }
  return charmap;
}

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

void TabulorTest::SetUp() {
  char pattern[] = "/tmp/tabulor-e2e-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  base_ = pattern;
  ASSERT_EQ(chmod(base_.c_str(), 0755), 0);
  dir_ = base_ + "/work";
  ASSERT_EQ(mkdir(dir_.c_str(), 0755), 0);
  binary_ = base_ + (testing_windows_build() ? "/tabulor.exe" : "/tabulor");
  write_file(binary_, read_file(the_tool().binary));
  ASSERT_EQ(chmod(binary_.c_str(), 0755), 0);
}

void TabulorTest::TearDown() {
  ASSERT_EQ(std::system(("rm -rf '" + base_ + "'").c_str()), 0);
}

std::string TabulorTest::path(std::string_view name) const {
  return dir_ + "/" + std::string(name);
}

std::set<std::string> TabulorTest::files(std::string_view subdir) const {
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

std::string TabulorTest::temporary_file() const {
  for (const std::string& name : files()) {
    if (name.starts_with(".tabulor-")) return name;
  }
  return "";
}

pid_t TabulorTest::start(const std::vector<std::string>& args,
                         const child_options& options, int* output_fd) const {
  std::vector<std::string> command = the_tool().emulator;
  command.push_back(binary_);
  command.insert(command.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : command) argv.push_back(word.data());
  argv.push_back(nullptr);

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
        (options.as_nobody && (setgid(kNobody) != 0 || setuid(kNobody) != 0))) {
      _exit(127);
    }
    for (int s : options.ignored_signals) signal(s, SIG_IGN);
    if (options.standard_streams_closed) {
      for (int fd = 0; fd <= 2; ++fd) close(fd);
    }
    execvp(argv[0], argv.data());
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

child_result TabulorTest::finish(pid_t pid, int output_fd) {
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

child_result TabulorTest::run(const std::vector<std::string>& args,
                              const child_options& options) const {
  int output_fd = -1;
  const pid_t pid = start(args, options, &output_fd);
  EXPECT_GT(pid, 0);
  return finish(pid, output_fd);
}

held_run TabulorTest::start_held(const std::string& number,
                                 const std::string& first_part,
                                 const child_options& options) const {
  held_run held;
  // The run may die while the test still feeds it.
  signal(SIGPIPE, SIG_IGN);
  EXPECT_EQ(mkfifo(path(number + ".cp").c_str(), 0644), 0);
  held.pid = start({number}, options, &held.output_fd);
  held.table_fd = open(path(number + ".cp").c_str(), O_WRONLY);
  EXPECT_GE(held.table_fd, 0);
  EXPECT_EQ(write(held.table_fd, first_part.data(), first_part.size()),
            static_cast<ssize_t>(first_part.size()));
  // Not a guess at timing: this waits for the file, however long it takes
  // to come.
  for (int waited_ms = 0; temporary_file().empty(); ++waited_ms) {
    if (waited_ms == 60000) {
      ADD_FAILURE() << "no temporary file after a minute";
      break;
    }
    usleep(1000);
  }
  return held;
}

child_result TabulorTest::finish_held(held_run& held) {
  close(held.table_fd);
  return finish(held.pid, held.output_fd);
}

}  // namespace tabulor
