// libFuzzer harness: any bytes as a code page table, through the reader and
// the writer in memory. Checks what must hold for every input: the mapping
// file's shape and line ends, the drop and stop rules, and agreement with
// the plain reference model of the conversion.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "conversion/convert_table.h"
#include "conversion/mapping_writer.h"
#include "memory_io.h"
#include "reference_model.h"

namespace tabulor {
namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "property failed: %s\n", what);
  std::abort();
}

void check(bool holds, const char* what) {
  if (!holds) fail(what);
}

std::string header_for(std::string_view number) {
  string_sink sink;
  text_output out(sink);
  write_header(out, "zel-" + std::string(number) + "_p100-2006", number);
  check(flush_text(out), "header written");
  return sink.data;
}

// Checks one mapping line without its CR LF, and records its texts.
void check_mapping_line(std::string_view line, std::string_view table,
                        std::set<std::string>* bytes,
                        std::set<std::string>* unicodes) {
  check(line.starts_with("<U00") && line.ends_with(" |0"), "line shape");
  const size_t middle = line.find("> \\x");
  check(middle != std::string_view::npos, "line shape");
  const std::string unicode(line.substr(4, middle - 4));
  const std::string byte(line.substr(middle + 4, line.size() - middle - 7));
  for (const std::string& text : {unicode, byte}) {
    check(!text.empty(), "empty text");
    check(text.find_first_of(" =\n", 0) == std::string::npos,
          "delimiter in a text");
    check(text.find('\0') == std::string::npos, "NUL in a text");
    check(table.find(text) != std::string_view::npos, "text not in table");
  }
  check(unicode != "00", "Unicode text 00 written");
  check(bytes->insert(byte).second, "byte text repeated");
  check(unicodes->insert(unicode).second, "Unicode text repeated");
}

void check_conversion(std::string_view data) {
  // The first byte picks how the source splits the input, so that every
  // read boundary gets exercised; the rest is the table.
  if (data.empty()) return;
  const size_t chunk = 1 + static_cast<unsigned char>(data[0]);
  const std::string table(data.substr(1));

  string_source source(table, chunk);
  string_sink sink;
  check(convert_table(source, sink, "zel-300_p100-2006", "300",
                      hash_seed{chunk, 0}) == conversion_outcome::complete,
        "conversion complete");
  const std::string& file = sink.data;

  const std::string header = header_for("300");
  const std::string trailer = "END CHARMAP\r\n";
  check(file.starts_with(header), "header first");
  check(file.ends_with(trailer), "trailer last");
  const std::string_view charmap = std::string_view(file).substr(
      header.size(), file.size() - header.size() - trailer.size());

  std::set<std::string> bytes, unicodes;
  for (size_t at = 0; at < charmap.size();) {
    const size_t end = charmap.find("\r\n", at);
    check(end != std::string_view::npos, "CR LF after every line");
    check_mapping_line(charmap.substr(at, end - at), table, &bytes, &unicodes);
    at = end + 2;
  }
  check(charmap == reference_charmap(table), "agrees with reference model");
}

}  // namespace
}  // namespace tabulor

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tabulor::check_conversion(
      std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
