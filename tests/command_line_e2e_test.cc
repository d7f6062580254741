// The command line, the names derived from it, and the messages.

#include <sys/stat.h>

#include <algorithm>

#include "e2e_fixture.h"
#include "test_util.h"

namespace tabulor {
namespace {

TEST_F(TabulorTest, RefusesABadCommandLine) {
  write_file(path("300.cp"), kSmallTable);
  const std::vector<std::vector<std::string>> command_lines = {
      {},
      {"300", "301"},
      {"-h"},
      {"-300"},
      {"-"},
      {"300", ""},
      // Control characters and double quotes would break the header.
      {"30\n0"},
      {"3\x01"},
      {"\t"},
      {"3\x1f"},
      {"3\x7f"},
      {"3\"0"},
      {"\""}};
  for (const auto& args : command_lines) {
    SCOPED_TRACE(args.size() == 1 ? hex_dump(args[0])
                                  : std::to_string(args.size()));
    const child_result result = run(args);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, usage_message());
    EXPECT_EQ(files(), std::set<std::string>{"300.cp"});
  }
}

TEST_F(TabulorTest, UsesTheCodePageNumberVerbatimInEveryName) {
  ASSERT_EQ(mkdir(path("sub").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(path("zel-sub").c_str(), 0755), 0);
  struct name_case {
    std::string number, table, mapping;
  };
  std::vector<name_case> cases = {
      {"0300", "0300.cp", "zel-0300_p100-2006.ucm"},
      {"", ".cp", "zel-_p100-2006.ucm"},
      {"sub/300", "sub/300.cp", "zel-sub/300_p100-2006.ucm"},
  };
  if (testing_windows_build()) {
    // Either separator names a directory there.
    cases.push_back({"sub\\301", "sub\\301.cp", "zel-sub\\301_p100-2006.ucm"});
  } else {
    // Bytes from 0x80 pass verbatim (under wine they would pass through a
    // character set conversion on their way to the tool).
    cases.push_back({"30 0\xe9", "30 0\xe9.cp", "zel-30 0\xe9_p100-2006.ucm"});
  }
  for (const name_case& c : cases) {
    SCOPED_TRACE(c.table);
    // The files as this system names them.
    auto on_disk = [](std::string name) {
      std::replace(name.begin(), name.end(), '\\', '/');
      return name;
    };
    write_file(path(on_disk(c.table)), kSmallTable);
    const child_result result = run({c.number});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, created_message(c.mapping));
    EXPECT_TRUE(same_bytes(mapping_with(c.number, kSmallCharmap),
                           read_file(path(on_disk(c.mapping)))));
  }
}

TEST_F(TabulorTest, ReportsAMissingTableAndCreatesNothing) {
  const child_result result = run({"300"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, not_found_message("300.cp"));
  EXPECT_TRUE(files().empty());
}

TEST_F(TabulorTest, ConvertsWhenNobodyReadsTheMessage) {
  write_file(path("300.cp"), kSmallTable);
  child_options options;
  options.output_closed = true;  // the message's write fails
  EXPECT_EQ(run({"300"}, options).status, 0);
  EXPECT_EQ(files().size(), 2u);
}

TEST_F(TabulorTest, AcceptsAnArgumentOfAnyLength) {
  // The names grow past what the file system takes: the mapping file of a
  // 250-character number, the table of a 100000-character one (longer
  // than a Windows command line can be).
  std::vector<size_t> lengths = {250};
  if (!testing_windows_build()) lengths.push_back(100000);
  for (size_t length : lengths) {
    const std::string number(length, 'n');
    if (length == 250) write_file(path(number + ".cp"), kSmallTable);
    const child_result result = run({number});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, not_found_message(number + ".cp"));
  }
  EXPECT_EQ(files().size(), 1u);
}

TEST_F(TabulorTest, ReportsAMissingMappingDirectoryAsNotFound) {
  ASSERT_EQ(mkdir(path("sub").c_str(), 0755), 0);
  write_file(path("sub/300.cp"), kSmallTable);
  const child_result result = run({"sub/300"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, not_found_message("sub/300.cp"));
  EXPECT_EQ(files(), std::set<std::string>{"sub"});
}

}  // namespace
}  // namespace tabulor
