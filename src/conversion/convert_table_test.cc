#include "conversion/convert_table.h"

#include <gtest/gtest.h>

#include <string>

#include "test_util.h"

namespace tabulor {
namespace {

constexpr hash_seed kSeed{5, 6};

TEST(ConvertTable, WritesHeaderPairsAndTrailer) {
  string_source table("; t\nA 41 B 41\nA 42 B 42\n");
  string_sink mapping;
  EXPECT_EQ(convert_table(table, mapping, "zel-7_p100-2006", "7", kSeed),
            conversion_outcome::complete);
  EXPECT_TRUE(mapping.data.starts_with("# ***"));
  EXPECT_TRUE(mapping.data.ends_with(
      "\"zel-7_STD\"\r\n\r\nCHARMAP\r\n"
      "<U0041> \\x41 |0\r\n<U0042> \\x42 |0\r\nEND CHARMAP\r\n"));
}

TEST(ConvertTable, ReportsAReadErrorPartWayThrough) {
  string_source table("A 41 B 41\n" + std::string(100000, ';'), 4096, 50000);
  string_sink mapping;
  EXPECT_EQ(convert_table(table, mapping, "zel-7_p100-2006", "7", kSeed),
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
    EXPECT_EQ(convert_table(source, mapping, "zel-7_p100-2006", "7", kSeed),
              conversion_outcome::write_failed);
  }
}

}  // namespace
}  // namespace tabulor
