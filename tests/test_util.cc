#include "test_util.h"

#include <cstdio>
#include <cstring>

namespace tabulor {

std::string hex_dump(std::string_view bytes) {
  std::string dump;
  char cell[24];
  for (size_t row = 0; row < bytes.size(); row += 16) {
    std::snprintf(cell, sizeof cell, "%06zx", row);
    dump += cell;
    std::string text;
    for (size_t i = row; i < row + 16 && i < bytes.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(bytes[i]);
      std::snprintf(cell, sizeof cell, " %02x", c);
      dump += cell;
      text += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '.';
    }
    dump += std::string(3 * (16 - text.size()), ' ') + "  " + text + "\n";
  }
  return dump;
}

::testing::AssertionResult same_bytes(std::string_view expected,
                                      std::string_view actual) {
  if (expected == actual) return ::testing::AssertionSuccess();
  size_t at = 0;
  while (at < expected.size() && at < actual.size() &&
         expected[at] == actual[at]) {
    ++at;
  }
  return ::testing::AssertionFailure()
         << "bytes differ from offset " << at << " (expected "
         << expected.size() << " bytes, got " << actual.size()
         << ")\nexpected:\n"
         << hex_dump(expected) << "actual:\n"
         << hex_dump(actual);
}

}  // namespace tabulor
