#include "inputs.h"

#include <cstdio>

namespace tabulor {
namespace {

constexpr const char* kNames[] = {"accepted", "dropped", "stop_tail",
                                  "comments", "long_lines"};

std::string hex(size_t n) {
  char text[24];
  std::snprintf(text, sizeof text, "%zX", n);
  return text;
}

// A line of the given kind; `n` counts the lines made so far.
std::string make_line(input_kind kind, size_t n) {
  switch (kind) {
    case input_kind::accepted:
      return "byte " + hex(n) + " = ucs " + hex(n) + "\n";
    case input_kind::dropped:
      return "byte " + hex(n & 0xff) + " = ucs 00   ; unassigned\n";
    case input_kind::stop_tail:
      if (n < 200) return "byte " + hex(n) + " = ucs " + hex(n) + "\n";
      return "byte 41 = ucs 41   ; LATIN CAPITAL LETTER A\n";
    case input_kind::comments:
      return "; " + std::string(20 + n % 40, 'c') + "\n";
    case input_kind::long_lines:
      // Every piece after the first carries no token and is judged on the
      // kept 00, so that all of them are cut, tokenized and dropped.
      return "byte " + hex(n & 0xff) + " = ucs 00" + std::string(1000, ' ') +
             "\n";
  }
  return "";
}

}  // namespace

bool input_kind_from_name(std::string_view name, input_kind* kind) {
  for (size_t i = 0; i < std::size(kNames); ++i) {
    if (name == kNames[i]) {
      *kind = static_cast<input_kind>(i);
      return true;
    }
  }
  return false;
}

std::string make_input(input_kind kind, size_t size) {
  std::string table;
  table.reserve(size + 2000);
  for (size_t n = 0; table.size() < size; ++n) table += make_line(kind, n);
  return table;
}

}  // namespace tabulor
