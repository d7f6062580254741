#include "conversion/table_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "test_util.h"

namespace tabulor {
namespace {

using namespace std::string_literals;
using pairs = std::vector<std::pair<std::string, std::string>>;

constexpr hash_seed kSeed{1, 2};

pairs read_all(table_reader& reader) {
  pairs result;
  while (std::optional<mapping_pair> pair = reader.next_pair()) {
    result.emplace_back(pair->byte_text, pair->unicode_text);
  }
  return result;
}

pairs read_table(const std::string& table, size_t chunk = 1 << 20) {
  string_source source(table, chunk);
  table_reader reader(source, kSeed);
  pairs result = read_all(reader);
  EXPECT_FALSE(reader.read_failed());
  return result;
}

struct tokenize_case {
  std::string line;
  std::vector<std::string> tokens;
};

TEST(TokenizeTableLine, SplitsAtTheDelimitersOfEachToken) {
  const tokenize_case cases[] = {
      {"A 41 B 41", {"A", "41", "B", "41"}},
      {"A=42 B=42", {"A", "42", "B", "42"}},
      {"  ==A  = 41==B   41  ", {"A", "41", "B", "41"}},
      // "i" ends only the first token; later it is part of a token.
      {"Ai7 41 B C1", {"A", "7", "41", "B"}},
      {"i A 41 B 41", {"A", "41", "B", "41"}},
      {"iii=i", {}},
      {"x ii i", {"x", "ii", "i"}},
      // Tab, CR and upper-case I are token characters.
      {"A\t41 B\r 41\r", {"A\t41", "B\r", "41\r"}},
      {"I 41 I 41", {"I", "41", "I", "41"}},
      // A NUL ends the text of the line.
      {"A 4\0 1 B 41"s, {"A", "4"}},
      {"\0A 41 B 41"s, {}},
      {"", {}},
      {"   ", {}},
      {"word", {"word"}},
      {"single", {"s", "ngle"}},
      // Only the first four tokens are looked for.
      {"x 41 y 41 extra tokens", {"x", "41", "y", "41"}},
  };
  for (const tokenize_case& c : cases) {
    SCOPED_TRACE(hex_dump(c.line));
    const line_tokens tokens = tokenize_table_line(c.line);
    std::vector<std::string> found(tokens.token, tokens.token + tokens.count);
    EXPECT_EQ(found, c.tokens);
  }
}

struct reader_case {
  const char* name;
  std::string table;
  pairs expected;
};

const std::string kLongComment = std::string(";").append(99, 'x') + "\n";

TEST(NextPair, AppliesTheDropAndStopRules) {
  const reader_case cases[] = {
      {"comments, empty lines and both separators",
       "; comment\n\nA 41 B 41\nA=42 B=42\n",
       {{"41", "41"}, {"42", "42"}}},
      {"a line starting with a space is a data line",
       "A 41 B 41\n ; B 42\n",
       {{"41", "41"}}},
      {"Unicode text 00 is dropped and never stops the output",
       "A 41 B 41\nA 41 B 00\nA 42 B 000\n",
       {{"41", "41"}, {"42", "000"}}},
      {"0, 000 and 0000 are not 00",
       "A 1 B 0\nA 2 B 000\nA 3 B 0000\n",
       {{"1", "0"}, {"2", "000"}, {"3", "0000"}}},
      {"a two-token line keeps the old Unicode text and repeats it",
       "A 41 B 41\nA 42\nA 43 B 43\n",
       {{"41", "41"}}},
      {"a line of spaces repeats the kept pair",
       "A 41 B 41\n   \nA 42 B 42\n",
       {{"41", "41"}}},
      {"a repeated byte text stops even a new pair after it",
       "A 41 B 41\nA 42 B 42\nA 41 B 43\nA 44 B 44\n",
       {{"41", "41"}, {"42", "42"}}},
      {"a repeated Unicode text stops the output",
       "A 41 B 41\nA 42 B 41\nA 43 B 43\n",
       {{"41", "41"}}},
      {"the repeat search is exact and case-sensitive",
       "A 4a B 4a\nA 4A B 4A\nA 041 B 041\nA 41 B 41\n",
       {{"4a", "4a"}, {"4A", "4A"}, {"041", "041"}, {"41", "41"}}},
      {"early lines without a Unicode text yield nothing",
       "A 41\nA 42 B\nA 43 B 43\n",
       {{"43", "43"}}},
      {"a Unicode text of 00 carries over and keeps dropping lines",
       "A 41 B 00\nA 42\nA 43 B 43\n",
       {{"43", "43"}}},
      {"a long comment's second piece is a data line that repeats the pair",
       "A 41 B 41\n" + kLongComment + "A 42 B 42\n",
       {{"41", "41"}}},
      {"a long comment before any pair does no harm",
       kLongComment + "A 42 B 42\n",
       {{"42", "42"}}},
      {"a line of 79 characters is followed by an empty piece",
       "A 41 B " + std::string(72, '4') + "\nA 42 B 42\n",
       {{"41", std::string(72, '4')}, {"42", "42"}}},
      {"a line of 80 characters ends with a piece of one character",
       "A 41 B " + std::string(73, '4') + "\nA 42 B 42\n",
       {{"41", std::string(72, '4')}}},
      {"the last line needs no LF",
       "A 41 B 41\nA 42 B 42",
       {{"41", "41"}, {"42", "42"}}},
      {"tokens longer than seven characters are kept whole",
       "A 123456789 B abcdefghij\n",
       {{"123456789", "abcdefghij"}}},
      {"a NUL ends a line's text",
       "A 41 B 41\nA 42 B\0 42\nA 43 B 43\n"s,
       {{"41", "41"}}},
      {"a line starting with NUL is judged on the kept texts",
       "A 41 B 41\n\0A 42 B 42\n"s,
       {{"41", "41"}}},
      {"CR LF line ends give the same pairs",
       "; c\r\n\r\nA 41 B 41\r\nA=42 B=42\r\n",
       {{"41", "41"}, {"42", "42"}}},
      {"a lone CR is part of a token",
       "A 41 B 41\r\rA 42 B 42\r\n",
       {{"41", "41\r\rA"}}},
      {"a CR at the end of the input is kept", "A 41 B 41\r", {{"41", "41\r"}}},
      {"Ctrl-Z ends the input",
       "A 41 B 41\nA 42 B 42\x1a\nA 43 B 43\n",
       {{"41", "41"}, {"42", "42"}}},
      {"bytes from 0x80 pass unchanged", "A \xc1 B \xff\n", {{"\xc1", "\xff"}}},
      {"an empty table", "", {}},
  };
  for (const reader_case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(read_table(c.table), c.expected);
  }
}

TEST(NextPair, CrLfCountsAsOneCharacterOfTheLine) {
  // 78 characters, then CR LF: one table line of 79 characters.
  const std::string line = "A 41 B " + std::string(71, '4') + "\r\n";
  EXPECT_EQ(read_table(line + "A 42 B 42\r\n"),
            (pairs{{"41", std::string(71, '4')}, {"42", "42"}}));
}

TEST(NextPair, GivesTheSameResultHoweverTheSourceSplitsTheInput) {
  // Comments of every length up to past two table lines, with both line
  // ends, then a repeat and a tail.
  std::string table;
  for (int i = 0; i < 300; ++i) {
    const std::string n = std::to_string(i);
    const char* line_end = i % 2 ? "\r\n" : "\n";
    table += "x " + n + " u= " + n + line_end;
    table += std::string(i % 170, ';') + line_end;
  }
  table += "x 0 u 0\n" + std::string(1000, 'y');
  const pairs whole = read_table(table);
  ASSERT_EQ(whole.size(), 300u);
  for (size_t chunk : {1, 2, 3, 79, 80, 81, 82, 4096}) {
    SCOPED_TRACE(chunk);
    EXPECT_EQ(read_table(table, chunk), whole);
  }
}

TEST(NextPair, AcceptsManyMoreThan1024Pairs) {
  std::string table;
  for (int i = 0; i < 5000; ++i) {
    table += "b " + std::to_string(i) + " u " + std::to_string(i + 7) + "\n";
  }
  table += "b 0 u 99999\nb 99998 u 99998\n";
  // The repeated byte text 0 stops the output before the new last pair.
  const pairs got = read_table(table, 100);
  ASSERT_EQ(got.size(), 5000u);
  EXPECT_EQ(got.back(), (std::pair<std::string, std::string>{"4999", "5006"}));
}

TEST(NextPair, ReportsAReadErrorAnywhereBeforeTheEnd) {
  std::string table = "A 41 B 41\nA 41 B 41\n" + std::string(200000, ';');
  for (size_t fail_at : {size_t{0}, size_t{150000}}) {
    SCOPED_TRACE(fail_at);
    string_source source(table, 4096, fail_at);
    table_reader reader(source, kSeed);
    read_all(reader);
    // Also after the stop: the rest of the table is still read.
    EXPECT_TRUE(reader.read_failed());
    EXPECT_FALSE(reader.next_pair().has_value());
  }
}

TEST(NextPair, ReadsNothingAfterCtrlZ) {
  string_source source("A 41 B 41\n\x1a" + std::string(500000, 'x'), 4096,
                       /*fail_at=*/100000);
  table_reader reader(source, kSeed);
  EXPECT_EQ(read_all(reader), (pairs{{"41", "41"}}));
  EXPECT_FALSE(reader.read_failed());
  EXPECT_EQ(source.reads(), 1u);
}

}  // namespace
}  // namespace tabulor
