// One run of the tool: from a code page number to its mapping file.

#ifndef TABULOR_FRONT_END_RUN_H_
#define TABULOR_FRONT_END_RUN_H_

#include <string>
#include <string_view>

#include "conversion/byte_stream.h"

namespace tabulor {

// The names a run derives from its code page number, which is used verbatim:
// never parsed, trimmed or checked for digits.
struct run_names {
  std::string table_name;         // "300.cp"
  std::string code_set_name;      // "zel-300_p100-2006"
  std::string mapping_file_name;  // "zel-300_p100-2006.ucm"
};

run_names derive_names(std::string_view code_page_number);

// Converts the table of `code_page_number` in the current directory into
// its mapping file and writes the one message of the run to `console`.
// Returns the exit status: 0, or 1 when the mapping file could not be
// written completely, for want of disk or of memory (it then keeps its old
// content, if it had one).
int run_conversion(std::string_view code_page_number, byte_sink& console);

// The whole command line: checks that it holds exactly one argument that
// does not start with "-" and holds no control character (0x01-0x1F, 0x7F)
// and no double quote, then runs the conversion. Returns the exit status.
int run_command_line(int argc, const char* const* argv, byte_sink& console);

}  // namespace tabulor

#endif  // TABULOR_FRONT_END_RUN_H_
