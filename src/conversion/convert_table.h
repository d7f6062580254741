// The whole conversion of one code page table into its mapping file.

#ifndef TABULOR_CONVERSION_CONVERT_TABLE_H_
#define TABULOR_CONVERSION_CONVERT_TABLE_H_

#include <string_view>

#include "conversion/byte_stream.h"
#include "conversion/text_set.h"

namespace tabulor {

enum class conversion_outcome {
  complete,
  read_failed,    // the table could not be read to its end
  write_failed,   // some of the mapping file could not be written
  out_of_memory,  // the table holds more pairs than memory does
};

// Reads the table from `table` and writes the whole mapping file to
// `mapping`: the header with the two names, a mapping line for every
// accepted pair, and the trailer. Only a complete outcome means that
// `mapping` received the whole file. `seed` keys the repeat search's hash.
conversion_outcome convert_table(byte_source& table, byte_sink& mapping,
                                 std::string_view code_set_name,
                                 std::string_view code_page_number,
                                 hash_seed seed);

}  // namespace tabulor

#endif  // TABULOR_CONVERSION_CONVERT_TABLE_H_
