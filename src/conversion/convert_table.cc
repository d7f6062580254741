#include "conversion/convert_table.h"

#include <new>
#include <optional>

#include "conversion/mapping_writer.h"
#include "conversion/table_reader.h"

namespace tabulor {

conversion_outcome convert_table(byte_source& table, byte_sink& mapping,
                                 std::string_view code_set_name,
                                 std::string_view code_page_number,
                                 hash_seed seed) {
  try {
    table_reader reader(table, seed);
    text_output out(mapping);
    write_header(out, code_set_name, code_page_number);
    while (std::optional<mapping_pair> pair = reader.next_pair()) {
      write_mapping(out, *pair);
    }
    write_trailer(out);
    if (reader.read_failed()) return conversion_outcome::read_failed;
    return flush_text(out) ? conversion_outcome::complete
                           : conversion_outcome::write_failed;
  } catch (const std::bad_alloc&) {
    // Only the repeat search grows with the table.
    return conversion_outcome::out_of_memory;
  }
}

}  // namespace tabulor
