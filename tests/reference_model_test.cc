// Checks the reader and writer against the plain model on many random
// tables built from the bytes that matter to the rules.

#include "reference_model.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "conversion/convert_table.h"
#include "test_util.h"

namespace tabulor {
namespace {

std::string charmap_of(const std::string& table, size_t chunk, hash_seed seed) {
  string_source source(table, chunk);
  string_sink sink;
  EXPECT_EQ(convert_table(source, sink, "zel-1_p100-2006", "1", seed),
            conversion_outcome::complete);
  const size_t begin = sink.data.find("\r\nCHARMAP\r\n");
  EXPECT_NE(begin, std::string::npos);
  EXPECT_TRUE(sink.data.ends_with("END CHARMAP\r\n"));
  return sink.data.substr(begin + 11, sink.data.size() - begin - 11 - 13);
}

// Random tables: short tokens from a small alphabet so that repeats, "00"
// and carried-over texts are common, mixed with every troublesome byte and
// lines of every length.
std::string random_table(std::mt19937& random) {
  static const std::string kTokenChars = "00001ai";
  static const std::string kOddBytes(" =\n\r\r\n;;\t\0\x1a\x80\xff", 14);
  std::string table;
  const int lines = std::uniform_int_distribution<int>(0, 40)(random);
  for (int line = 0; line < lines; ++line) {
    const int kind = std::uniform_int_distribution<int>(0, 9)(random);
    if (kind == 0) {
      table += std::string(std::uniform_int_distribution<int>(0, 200)(random),
                           random() % 2 ? ';' : ' ');
    } else if (kind == 1) {
      for (int i = std::uniform_int_distribution<int>(0, 100)(random); i > 0;
           --i) {
        table += kOddBytes[random() % kOddBytes.size()];
      }
    } else {
      const int tokens = std::uniform_int_distribution<int>(0, 6)(random);
      for (int t = 0; t < tokens; ++t) {
        table += random() % 4 ? " " : " = ";
        for (int i = std::uniform_int_distribution<int>(1, 3)(random); i > 0;
             --i) {
          table += kTokenChars[random() % kTokenChars.size()];
        }
      }
    }
    table += random() % 3 ? "\n" : "\r\n";
  }
  return table;
}

TEST(ReferenceModel, AgreesWithTheReaderOnRandomTables) {
  std::mt19937 random(20061211);
  for (int round = 0; round < 3000; ++round) {
    const std::string table = random_table(random);
    const size_t chunk = 1 + random() % 100;
    // The key of the repeat search's hash changes nothing in the output.
    const hash_seed seed{random(), random()};
    const std::string expected = reference_charmap(table);
    const std::string actual = charmap_of(table, chunk, seed);
    ASSERT_TRUE(same_bytes(expected, actual))
        << "round " << round << ", chunk " << chunk << ", table:\n"
        << hex_dump(table);
  }
}

}  // namespace
}  // namespace tabulor
