// Generated code page tables for the benchmarks, one kind per rule that a
// large input can exercise.

#ifndef TABULOR_BENCH_INPUTS_H_
#define TABULOR_BENCH_INPUTS_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace tabulor {

enum class input_kind {
  accepted,   // distinct pairs, every line accepted
  dropped,    // data lines whose Unicode text is 00
  stop_tail,  // a few pairs, a repeat, then a long tail of data lines
  comments,   // comment lines only
  long_lines  // dropped lines of 1000 characters, cut into table lines
};

// Parses "accepted", "dropped", ...; returns false for an unknown name.
bool input_kind_from_name(std::string_view name, input_kind* kind);

// About `size` bytes of table of the given kind, with LF line ends.
std::string make_input(input_kind kind, size_t size);

}  // namespace tabulor

#endif  // TABULOR_BENCH_INPUTS_H_
