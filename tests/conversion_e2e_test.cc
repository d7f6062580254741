// What the tool writes: the same bytes on every system it runs on.

#include <random>

#include "e2e_fixture.h"
#include "reference_model.h"
#include "test_util.h"

namespace tabulor {
namespace {

TEST_F(TabulorTest, ConvertsTheSampleTableToTheStoredMappingFile) {
  write_file(path("300.cp"), read_file(TABULOR_EXAMPLES_DIR "/300.cp"));
  const child_result result = run({"300"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, created_message("zel-300_p100-2006.ucm"));
  EXPECT_TRUE(
      same_bytes(read_file(TABULOR_EXAMPLES_DIR "/zel-300_p100-2006.ucm"),
                 read_file(path("zel-300_p100-2006.ucm"))));
  EXPECT_EQ(files(),
            (std::set<std::string>{"300.cp", "zel-300_p100-2006.ucm"}));
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

TEST_F(TabulorTest, AgreesWithTheReferenceModelOnRandomTables) {
  std::mt19937 random(20261211);
  for (int round = 0; round < 30; ++round) {
    const std::string table = random_table(random);
    write_file(path("7.cp"), table);
    const child_result result = run({"7"});
    ASSERT_EQ(result.output, created_message("zel-7_p100-2006.ucm"));
    ASSERT_TRUE(same_bytes(mapping_with("7", reference_charmap(table)),
                           read_file(path("zel-7_p100-2006.ucm"))))
        << "round " << round << ", table:\n"
        << hex_dump(table);
  }
}

TEST_F(TabulorTest, ConvertsBinaryAndDegenerateInputWithoutHarm) {
  const std::string executable = read_file(TABULOR_BINARY);
  const struct {
    const char* name;
    std::string table;
    std::string charmap;
  } cases[] = {
      {"an executable", executable, reference_charmap(executable)},
      {"NUL bytes", std::string(100000, '\0'), ""},
      {"CR bytes", std::string(100000, '\r'), ""},
      {"a million distinct pairs", distinct_pairs(1000000),
       distinct_charmap(1000000)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    write_file(path("9.cp"), c.table);
    const child_result result = run({"9"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, created_message("zel-9_p100-2006.ucm"));
    EXPECT_TRUE(same_bytes(mapping_with("9", c.charmap),
                           read_file(path("zel-9_p100-2006.ucm"))));
  }
}

}  // namespace
}  // namespace tabulor
