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
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "conversion/mapping_pair.h"
#include "conversion/text_set.h"

namespace tabulor {

// The most characters one table line holds, its LF included.
inline constexpr size_t kTableLineMax = 79;

// Where the bytes of a table come from.
class byte_source {
 public:
  virtual ~byte_source() = default;

  // Reads at most `capacity` bytes into `buffer`. Returns how many were read,
  // 0 at the end of the input, or -1 on a read error.
  virtual long read(char* buffer, size_t capacity) = 0;
};

// A token kept from an earlier line. A token lies within one table line, so
// it never needs more room than that.
struct kept_text {
  char chars[kTableLineMax];
  size_t size = 0;

  std::string_view view() const { return {chars, size}; }
};

// The kept texts, in the shape of the pair they will form.
struct kept_pair {
  kept_text byte_text;
  kept_text unicode_text;
};

// Every text of the pairs accepted so far, for the repeat search.
struct emitted_pairs {
  text_set byte_texts;
  text_set unicode_texts;
};

// A data line's kept pair that waits to be judged against the emitted
// pairs, with the hashes of its texts.
struct candidate_pair {
  kept_pair pair;
  uint64_t byte_hash = 0;
  uint64_t unicode_hash = 0;
};

// Lines are cut and tokenized this many candidates ahead of the repeat
// search, so that the memory the search will touch is already on its way.
inline constexpr size_t kCandidatesAhead = 16;

// The state of reading one table. Create it over a source, then call
// next_pair until it returns no pair; the source must stay alive until then.
struct table_reader {
  explicit table_reader(byte_source& table);

  byte_source* source;

  // Raw table bytes; [begin, end) is not yet handled.
  std::unique_ptr<char[]> buffer;
  size_t begin = 0;
  size_t end = 0;
  bool input_ended = false;  // the source has nothing more to give
  bool read_failed = false;  // ... because a read failed

  kept_pair kept;  // starts empty: no pair before a line supplies one
  candidate_pair candidates[kCandidatesAhead];  // a ring
  size_t first_candidate = 0;
  size_t candidate_count = 0;
  emitted_pairs emitted;
  size_t emitted_count = 0;
  bool stopped = false;  // set at the first repeat, never cleared
};

// Returns the next accepted pair, or no pair when the input is exhausted;
// then read_failed tells whether a read error ended it. The returned texts
// stay valid until the next call. After the stop, the rest of the input is
// still read (so a read error there is seen), but yields nothing.
std::optional<mapping_pair> next_pair(table_reader& reader);

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
