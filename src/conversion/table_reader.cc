#include "conversion/table_reader.h"

#include <array>
#include <cassert>
#include <cstring>

namespace tabulor {
namespace {

// Bytes asked of the source at a time.
constexpr size_t kBlockSize = 64 * 1024;

// Raw bytes needed to cut the next table line without reading more: its
// characters, then a CR and an LF that may turn out to be one LF.
constexpr size_t kLookahead = kTableLineMax + 2;

constexpr char kCtrlZ = 0x1a;

// Byte classes for the tokenizer.
enum : unsigned char {
  kFirstDelimiter = 1,  // ends token 0: space, "=", "i", LF
  kLaterDelimiter = 2,  // ends tokens 1 onwards: space, "=", LF
  kTextEnd = 4,         // NUL: the rest of the line is not looked at
};

constexpr std::array<unsigned char, 256> make_byte_classes() {
  std::array<unsigned char, 256> classes{};
  for (unsigned char c : {' ', '=', '\n'}) {
    classes[c] = kFirstDelimiter | kLaterDelimiter;
  }
  classes['i'] = kFirstDelimiter;
  classes[0] = kTextEnd;
  return classes;
}

constexpr std::array<unsigned char, 256> kByteClasses = make_byte_classes();

unsigned char byte_class(char c) {
  return kByteClasses[static_cast<unsigned char>(c)];
}

// A token lies within one table line, so it always fits.
void keep(kept_text& kept, std::string_view token) {
  assert(token.size() <= sizeof kept.chars);
  std::memcpy(kept.chars, token.data(), token.size());
  kept.size = token.size();
}

// Moves the unhandled bytes to the front of the buffer and reads until at
// least kLookahead of them are there or the input has ended.
void fill_buffer(table_reader& reader) {
  if (reader.input_ended || reader.end - reader.begin >= kLookahead) return;
  char* buffer = reader.buffer.get();
  std::memmove(buffer, buffer + reader.begin, reader.end - reader.begin);
  reader.end -= reader.begin;
  reader.begin = 0;
  while (!reader.input_ended && reader.end < kLookahead) {
    long n = reader.source->read(buffer + reader.end, kBlockSize - reader.end);
    if (n <= 0) {
      reader.input_ended = true;
      reader.read_failed = n < 0;
      break;
    }
    // Ctrl-Z marks the end of a text file: nothing after it is read.
    const void* ctrl_z = std::memchr(buffer + reader.end, kCtrlZ, n);
    if (ctrl_z != nullptr) {
      reader.end = static_cast<const char*>(ctrl_z) - buffer;
      reader.input_ended = true;
      break;
    }
    reader.end += n;
  }
}

// Cuts the next table line off the input and returns its text without the
// LF, or false at the end of the input. A table line is what one bounded
// read of a text stream gives: up to and including the first LF, where a CR
// LF counts as one LF, but never more than kTableLineMax characters.
bool next_table_line(table_reader& reader, std::string_view* text) {
  fill_buffer(reader);
  const size_t available = reader.end - reader.begin;
  if (available == 0) return false;
  const char* line = reader.buffer.get() + reader.begin;
  const size_t window = available < kLookahead ? available : kLookahead;
  const char* lf = static_cast<const char*>(std::memchr(line, '\n', window));
  if (lf != nullptr) {
    const size_t raw_size = lf - line + 1;
    const size_t cr = lf > line && lf[-1] == '\r' ? 1 : 0;
    if (raw_size - cr <= kTableLineMax) {
      *text = std::string_view(line, raw_size - 1 - cr);
      reader.begin += raw_size;
      return true;
    }
  }
  // No line end within reach: the line is cut after kTableLineMax
  // characters. None of them is a CR LF, which would need the LF in reach.
  const size_t size = available < kTableLineMax ? available : kTableLineMax;
  *text = std::string_view(line, size);
  reader.begin += size;
  return true;
}

// Reads the rest of the input, to its end or a read error, and discards it.
void drain_input(table_reader& reader) {
  while (!reader.input_ended) {
    reader.begin = reader.end;
    fill_buffer(reader);
  }
  reader.begin = reader.end;
}

// Takes the tokens of one table line into the kept texts. Returns true when
// the line is to be judged by the repeat search.
bool take_line(table_reader& reader, std::string_view text) {
  // Comment lines and empty lines carry no tokens.
  if (text.empty() || text.front() == ';') return false;
  const line_tokens tokens = tokenize_table_line(text);
  if (tokens.count >= 2) keep(reader.kept.byte_text, tokens.token[1]);
  if (tokens.count >= 4) keep(reader.kept.unicode_text, tokens.token[3]);

  // Every data line is judged on the kept texts, even one that supplied
  // none of them. A Unicode text of "00" marks a byte without a character;
  // an empty one means no line has supplied a pair yet.
  const std::string_view unicode_text = reader.kept.unicode_text.view();
  return unicode_text != "00" && !unicode_text.empty();
}

// Reads lines until kCandidatesAhead candidates wait or the input ends.
void gather_candidates(table_reader& reader) {
  std::string_view text;
  while (reader.candidate_count < kCandidatesAhead &&
         next_table_line(reader, &text)) {
    if (!take_line(reader, text)) continue;
    candidate_pair& c =
        reader.candidates[(reader.first_candidate + reader.candidate_count++) %
                          kCandidatesAhead];
    keep(c.pair.byte_text, reader.kept.byte_text.view());
    keep(c.pair.unicode_text, reader.kept.unicode_text.view());
    c.byte_hash = text_set::hash(c.pair.byte_text.view());
    c.unicode_hash = text_set::hash(c.pair.unicode_text.view());
    reader.emitted.byte_texts.prefetch(c.byte_hash);
    reader.emitted.unicode_texts.prefetch(c.unicode_hash);
  }
}

// The repeat search. Returns true when the candidate is accepted.
bool accept_candidate(table_reader& reader, const candidate_pair& c) {
  // A byte or a character that comes a second time means the table has
  // begun to assign values anew (a second table, or a slip in this one).
  // The mapping ends there for good.
  text_set& byte_texts = reader.emitted.byte_texts;
  text_set& unicode_texts = reader.emitted.unicode_texts;
  const std::string_view byte_text = c.pair.byte_text.view();
  const std::string_view unicode_text = c.pair.unicode_text.view();
  const text_set::position byte_position =
      byte_texts.find(byte_text, c.byte_hash);
  const text_set::position unicode_position =
      unicode_texts.find(unicode_text, c.unicode_hash);
  if (byte_position.found || unicode_position.found) {
    reader.stopped = true;
    return false;
  }
  byte_texts.insert(byte_text, byte_position);
  unicode_texts.insert(unicode_text, unicode_position);
  ++reader.emitted_count;
  return true;
}

}  // namespace

table_reader::table_reader(byte_source& table)
    : source(&table), buffer(new char[kBlockSize]) {}

std::optional<mapping_pair> next_pair(table_reader& reader) {
  while (!reader.stopped) {
    gather_candidates(reader);
    if (reader.candidate_count == 0) return std::nullopt;
    const candidate_pair& c = reader.candidates[reader.first_candidate];
    reader.first_candidate = (reader.first_candidate + 1) % kCandidatesAhead;
    --reader.candidate_count;
    // The slot stays untouched until the next call gathers candidates.
    if (accept_candidate(reader, c)) {
      return mapping_pair{c.pair.byte_text.view(), c.pair.unicode_text.view()};
    }
  }
  // Once stopped, no line can yield anything, so the rest is only read.
  reader.candidate_count = 0;
  drain_input(reader);
  return std::nullopt;
}

line_tokens tokenize_table_line(std::string_view line) {
  line_tokens tokens;
  const char* p = line.data();
  const char* const end = p + line.size();
  while (tokens.count < 4) {
    const unsigned char delimiter =
        tokens.count == 0 ? kFirstDelimiter : kLaterDelimiter;
    while (p < end && (byte_class(*p) & delimiter)) ++p;
    if (p == end || (byte_class(*p) & kTextEnd)) break;
    const char* start = p;
    while (p < end && !(byte_class(*p) & (delimiter | kTextEnd))) ++p;
    tokens.token[tokens.count++] = std::string_view(start, p - start);
    if (p == end || (byte_class(*p) & kTextEnd)) break;
    ++p;  // the delimiter that ended the token belongs to neither token
  }
  return tokens;
}

}  // namespace tabulor
