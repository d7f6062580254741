#include "conversion/mapping_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "test_util.h"

namespace tabulor {
namespace {

std::string header(std::string_view code_set_name,
                   std::string_view code_page_number) {
  string_sink sink;
  text_output out(sink);
  write_header(out, code_set_name, code_page_number);
  EXPECT_TRUE(flush_text(out));
  return sink.data;
}

TEST(WriteHeader, WritesTheFixedHeaderWithBothNames) {
  const std::string stars = "# " + std::string(75, '*') + "\r\n";
  const std::string expected =
      stars +
      "# *\r\n"
      "# *   Character mapping of a single-byte code page, converted from "
      "its\r\n"
      "# *   code page table. It may be copied and used freely.\r\n"
      "# *\r\n" +
      stars +
      "#\r\n"
      "# File created by tabulor program\r\n"
      "#\r\n"
      "<code_set_name>               \"zel-300_p100-2006\"\r\n"
      "<char_name_mask>              \"AXXXX\"\r\n"
      "<mb_cur_max>                  1\r\n"
      "<mb_cur_min>                  1\r\n"
      "<uconv_class>                 \"SBCS\"\r\n"
      "<subchar>                     \\x3F\r\n"
      "<vam:charsetFamily>           \"ASCII\"\r\n"
      "<vam:alias>                   \"zel-300_STD\"\r\n"
      "\r\n"
      "CHARMAP\r\n";
  EXPECT_TRUE(same_bytes(expected, header("zel-300_p100-2006", "300")));
}

TEST(WriteHeader, StartsEveryKeywordValueInColumn31) {
  const std::string text = header("zel-300_p100-2006", "300");
  size_t keyword_lines = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    const std::string line = text.substr(at, end - at);
    if (line.starts_with("<")) {
      ++keyword_lines;
      const size_t close = line.find('>');
      EXPECT_EQ(line.find_first_not_of(' ', close + 1), 30u) << line;
    }
    at = end + 2;
  }
  EXPECT_EQ(keyword_lines, 8u);
}

TEST(WriteHeader, UsesTheNamesVerbatim) {
  const std::string empty = header("zel-_p100-2006", "");
  EXPECT_NE(empty.find("\"zel-_p100-2006\"\r\n"), std::string::npos);
  EXPECT_NE(empty.find("\"zel-_STD\"\r\n"), std::string::npos);
  // An LF in a name is a line end like any other and is stored as CR LF.
  const std::string odd = header("zel-a\nb_p100-2006", "a\nb");
  EXPECT_NE(odd.find("\"zel-a\r\nb_p100-2006\"\r\n"), std::string::npos);
  EXPECT_NE(odd.find("\"zel-a\r\nb_STD\"\r\n"), std::string::npos);
}

TEST(WriteMapping, WritesBothTextsAsTheyWereRead) {
  const struct {
    mapping_pair pair;
    std::string line;
  } cases[] = {
      {{"41", "41"}, "<U0041> \\x41 |0\r\n"},
      {{"C1", "C1"}, "<U00C1> \\xC1 |0\r\n"},
      {{"41", "0041"}, "<U000041> \\x41 |0\r\n"},
      {{"4a", "4a"}, "<U004a> \\x4a |0\r\n"},
      {{"zz", "\xff\r"}, "<U00\xff\r> \\xzz |0\r\n"},
  };
  for (const auto& c : cases) {
    string_sink sink;
    text_output out(sink);
    write_mapping(out, c.pair);
    ASSERT_TRUE(flush_text(out));
    EXPECT_TRUE(same_bytes(c.line, sink.data));
  }
}

TEST(WriteTrailer, EndsTheFileWithEndCharmap) {
  string_sink sink;
  text_output out(sink);
  write_header(out, "zel-1_p100-2006", "1");
  write_trailer(out);
  ASSERT_TRUE(flush_text(out));
  EXPECT_TRUE(
      sink.data.ends_with("\"zel-1_STD\"\r\n\r\nCHARMAP\r\nEND CHARMAP\r\n"));
}

TEST(TextOutput, ReportsAFailedWriteAndWritesNothingAfterIt) {
  // Enough mapping lines to need several writes of the buffer.
  string_sink sink(100000);
  text_output out(sink);
  for (int i = 0; i < 20000; ++i) write_mapping(out, {"41", "41"});
  EXPECT_FALSE(flush_text(out));
  EXPECT_LE(sink.data.size(), 100000u);
  const size_t writes = sink.writes;
  write_trailer(out);
  EXPECT_FALSE(flush_text(out));
  EXPECT_EQ(sink.writes, writes);
}

TEST(TextOutput, PassesLargeOutputThroughUnchanged) {
  string_sink sink;
  text_output out(sink);
  std::string expected;
  for (int i = 0; i < 20000; ++i) {
    const std::string text = std::to_string(i);
    write_mapping(out, {text, text});
    expected += "<U00" + text + "> \\x" + text + " |0\r\n";
  }
  ASSERT_TRUE(flush_text(out));
  EXPECT_GT(sink.writes, 1u);
  EXPECT_TRUE(same_bytes(expected, sink.data));
}

}  // namespace
}  // namespace tabulor
