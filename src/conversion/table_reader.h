// Reads a code page table and yields the pairs that become mapping lines.
//
// The table is read as a text stream: CR LF arrives as LF, any other CR
// stays, and the first Ctrl-Z byte (0x1A) ends the input. It is taken in
// table lines of at most kTableLineMax characters; a longer physical line
// arrives in pieces, each handled as a line of its own. A line that starts
// with ";" or is empty is skipped. Token 1 of a data line becomes the kept
// byte text and token 3 the kept Unicode text; both carry over to later lines
// that do not supply them. A line whose kept Unicode text is "00" or empty is
// dropped, and the first line whose kept byte text or Unicode text repeats an
// accepted one stops all further output.

#ifndef TABULOR_CONVERSION_TABLE_READER_H_
#define TABULOR_CONVERSION_TABLE_READER_H_

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

#include "conversion/byte_stream.h"
#include "conversion/mapping_pair.h"
#include "conversion/text_set.h"

namespace tabulor {

// The most characters one table line holds, its LF included.
inline constexpr size_t kTableLineMax = 79;

class table_reader {
 public:
  // Creates a reader of the table in `table`, which must outlive it. `seed`
  // keys the hash of the repeat search; the pairs do not depend on it.
  table_reader(byte_source& table, hash_seed seed);

  // Returns the next accepted pair, or no pair when the input is exhausted.
  // The returned texts stay valid until the next call. Throws
  // std::bad_alloc when the accepted pairs outgrow memory.
  std::optional<mapping_pair> next_pair();

  // Whether a read error, rather than the end of the table, ended the input.
  // After the stop the rest of the table is still read, so an error there
  // counts too.
  bool read_failed() const { return read_failed_; }

 private:
  // A token kept from an earlier line. A token lies within one table line,
  // so it never needs more room than that.
  struct kept_text {
    char chars[kTableLineMax];
    size_t size = 0;
    void keep(std::string_view token);
    std::string_view view() const { return {chars, size}; }
  };

  void fill_buffer();
  bool next_table_line(std::string_view* text);
  bool accept_line(std::string_view text);
  void drain_input();

  byte_source& source_;
  // Raw table bytes; [begin_, end_) is not yet cut into lines.
  std::unique_ptr<char[]> buffer_;
  size_t begin_ = 0;
  size_t end_ = 0;
  bool input_ended_ = false;
  bool read_failed_ = false;

  // The kept texts start empty: no pair before a line supplies one.
  struct {
    kept_text byte_text;
    kept_text unicode_text;
  } kept_;
  // The texts of every accepted pair.
  struct {
    text_set byte_texts;
    text_set unicode_texts;
  } emitted_;
  bool stopped_ = false;  // set at the first repeat, never cleared
};

// The first four tokens of a table line, as the reader sees them.
struct line_tokens {
  std::string_view token[4];
  int count = 0;
};

// Splits the text of a table line (its LF, if any, left off) into tokens.
// Token 0 ends at a space, "=" or lower-case "i"; later tokens end at a space
// or "=". A NUL byte ends the text. Tokens after the fourth are not looked
// for.
line_tokens tokenize_table_line(std::string_view line);

}  // namespace tabulor

#endif  // TABULOR_CONVERSION_TABLE_READER_H_
