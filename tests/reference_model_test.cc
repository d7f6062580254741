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
