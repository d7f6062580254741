#include "conversion/mapping_writer.h"

#include <cstring>

namespace tabulor {
namespace {

constexpr size_t kBufferSize = 64 * 1024;

// The header around its two names. Keyword values start in column 31.
constexpr std::string_view kHeaderStart =
    "# "
    "**************************************************************************"
    "*\n"
    "# *\n"
    "# *   Character mapping of a single-byte code page, converted from its\n"
    "# *   code page table. It may be copied and used freely.\n"
    "# *\n"
    "# "
    "**************************************************************************"
    "*\n"
    "#\n"
    "# File created by tabulor program\n"
    "#\n"
    "<code_set_name>               \"";
constexpr std::string_view kHeaderMiddle =
    "\"\n"
    "<char_name_mask>              \"AXXXX\"\n"
    "<mb_cur_max>                  1\n"
    "<mb_cur_min>                  1\n"
    "<uconv_class>                 \"SBCS\"\n"
    "<subchar>                     \\x3F\n"
    "<vam:charsetFamily>           \"ASCII\"\n"
    "<vam:alias>                   \"zel-";
constexpr std::string_view kHeaderEnd =
    "_STD\"\n"
    "\n"
    "CHARMAP\n";

void flush_buffer(text_output& out) {
  if (!out.failed && out.used > 0) {
    out.failed = !out.sink->write(std::string_view(out.buffer.get(), out.used));
  }
  out.used = 0;
}

// Appends bytes as they are: they hold no LF to translate.
void put_bytes(text_output& out, std::string_view bytes) {
  const char* data = bytes.data();
  size_t size = bytes.size();
  // Most pieces fit the buffer whole.
  if (size <= kBufferSize - out.used) {
    std::memcpy(out.buffer.get() + out.used, data, size);
    out.used += size;
    return;
  }
  while (size > 0) {
    if (out.used == kBufferSize) flush_buffer(out);
    size_t n = kBufferSize - out.used;
    if (n > size) n = size;
    std::memcpy(out.buffer.get() + out.used, data, n);
    out.used += n;
    data += n;
    size -= n;
  }
}

}  // namespace

text_output::text_output(byte_sink& destination)
    : sink(&destination), buffer(new char[kBufferSize]) {}

void put_text(text_output& out, std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
    if (lf == nullptr) {
      put_bytes(out, std::string_view(p, end - p));
      return;
    }
    put_bytes(out, std::string_view(p, lf - p));
    put_bytes(out, "\r\n");
    p = lf + 1;
  }
}

bool flush_text(text_output& out) {
  flush_buffer(out);
  return !out.failed;
}

void write_header(text_output& out, std::string_view code_set_name,
                  std::string_view code_page_number) {
  put_text(out, kHeaderStart);
  put_text(out, code_set_name);
  put_text(out, kHeaderMiddle);
  put_text(out, code_page_number);
  put_text(out, kHeaderEnd);
}

void write_mapping(text_output& out, const mapping_pair& pair) {
  // The texts of a pair hold no LF, so only the line end needs translating.
  put_bytes(out, "<U00");
  put_bytes(out, pair.unicode_text);
  put_bytes(out, "> \\x");
  put_bytes(out, pair.byte_text);
  put_bytes(out, " |0\r\n");
}

void write_trailer(text_output& out) { put_text(out, "END CHARMAP\n"); }

}  // namespace tabulor
