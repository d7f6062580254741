#include "front_end/run.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace tabulor {
namespace {

TEST(DeriveNames, UsesTheCodePageNumberVerbatim) {
  const struct {
    std::string number, table, code_set, mapping;
  } cases[] = {
      {"300", "300.cp", "zel-300_p100-2006", "zel-300_p100-2006.ucm"},
      {"0300", "0300.cp", "zel-0300_p100-2006", "zel-0300_p100-2006.ucm"},
      {"", ".cp", "zel-_p100-2006", "zel-_p100-2006.ucm"},
      {"sub/300", "sub/300.cp", "zel-sub/300_p100-2006",
       "zel-sub/300_p100-2006.ucm"},
      {" 3%s ", " 3%s .cp", "zel- 3%s _p100-2006", "zel- 3%s _p100-2006.ucm"},
  };
  for (const auto& c : cases) {
    const run_names names = derive_names(c.number);
    EXPECT_EQ(names.table_name, c.table);
    EXPECT_EQ(names.code_set_name, c.code_set);
    EXPECT_EQ(names.mapping_file_name, c.mapping);
  }
}

TEST(ConvertTable, WritesHeaderPairsAndTrailer) {
  string_source table("; t\nA 41 B 41\nA 42 B 42\n");
  string_sink mapping;
  EXPECT_EQ(convert_table(table, mapping, "zel-7_p100-2006", "7"),
            conversion_outcome::complete);
  EXPECT_TRUE(mapping.data.starts_with("# ***"));
  EXPECT_TRUE(mapping.data.ends_with(
      "\"zel-7_STD\"\r\n\r\nCHARMAP\r\n"
      "<U0041> \\x41 |0\r\n<U0042> \\x42 |0\r\nEND CHARMAP\r\n"));
}

TEST(ConvertTable, ReportsAReadErrorPartWayThrough) {
  string_source table("A 41 B 41\n" + std::string(100000, ';'), 4096, 50000);
  string_sink mapping;
  EXPECT_EQ(convert_table(table, mapping, "zel-7_p100-2006", "7"),
            conversion_outcome::read_failed);
}

TEST(ConvertTable, ReportsAFailedWrite) {
  std::string table;
  for (int i = 0; i < 10000; ++i) {
    table += "x " + std::to_string(i) + " u " + std::to_string(i) + "\n";
  }
  for (size_t capacity : {size_t{0}, size_t{600}, size_t{100000}}) {
    SCOPED_TRACE(capacity);
    string_source source(table);
    string_sink mapping(capacity);
    EXPECT_EQ(convert_table(source, mapping, "zel-7_p100-2006", "7"),
              conversion_outcome::write_failed);
  }
}

}  // namespace
}  // namespace tabulor
