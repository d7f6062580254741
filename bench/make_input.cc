// Writes a generated benchmark table to standard output:
//   tabulor_make_input KIND BYTES
// KIND is accepted, dropped, stop_tail, comments or long_lines.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "inputs.h"

int main(int argc, char** argv) {
  tabulor::input_kind kind;
  if (argc != 3 || !tabulor::input_kind_from_name(argv[1], &kind)) {
    std::fprintf(stderr, "usage: tabulor_make_input KIND BYTES\n");
    return 2;
  }
  const std::string table =
      tabulor::make_input(kind, std::strtoull(argv[2], nullptr, 10));
  if (std::fwrite(table.data(), 1, table.size(), stdout) != table.size() ||
      std::fflush(stdout) != 0) {
    std::perror("tabulor_make_input");
    return 1;
  }
  return 0;
}
