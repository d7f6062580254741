// Writes a UCM character mapping file for a single-byte code page.
//
// The file is a fixed comment block, the header keywords, an empty line and
// a CHARMAP section with one mapping line per pair. It is a text file of a
// system whose lines end in CR LF: every LF the writer puts out is stored as
// CR LF, and nothing else is changed.

#ifndef TABULOR_CONVERSION_MAPPING_WRITER_H_
#define TABULOR_CONVERSION_MAPPING_WRITER_H_

#include <cstddef>
#include <memory>
#include <string_view>

#include "conversion/byte_stream.h"
#include "conversion/mapping_pair.h"

namespace tabulor {

// A buffered text stream over a sink. The first failed write sticks: nothing
// is written after it, and flush_text reports it.
struct text_output {
  explicit text_output(byte_sink& destination);

  byte_sink* sink;
  std::unique_ptr<char[]> buffer;
  size_t used = 0;
  bool failed = false;
};

// Appends `text`, each LF in it as CR LF.
void put_text(text_output& out, std::string_view text);

// Hands all buffered bytes to the sink. Returns false if any write so far
// has failed.
bool flush_text(text_output& out);

// Writes the comment block, the keyword lines, the empty line and "CHARMAP".
// The code set name is the value of <code_set_name>; the alias in
// <vam:alias> is formed from the code page number.
void write_header(text_output& out, std::string_view code_set_name,
                  std::string_view code_page_number);

// Writes the mapping line of one pair, its texts exactly as they are.
void write_mapping(text_output& out, const mapping_pair& pair);

// Writes "END CHARMAP", the last line of the file.
void write_trailer(text_output& out);

}  // namespace tabulor

#endif  // TABULOR_CONVERSION_MAPPING_WRITER_H_
