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

}  // namespace

void table_reader::kept_text::keep(std::string_view token) {
  // A token lies within one table line, so it always fits.
  assert(token.size() <= sizeof chars);
  std::memcpy(chars, token.data(), token.size());
  size = token.size();
}

table_reader::table_reader(byte_source& table, hash_seed seed)
    : source_(table),
      buffer_(new char[kBlockSize]),
      emitted_{text_set(seed), text_set(seed)} {}

std::optional<mapping_pair> table_reader::next_pair() {
  std::string_view text;
  // After the stop every line is dropped, whatever it holds, so the rest of
  // the table is only read to its end (where a read error still counts),
  // not cut into lines.
  while (!stopped_ && next_table_line(&text)) {
    if (accept_line(text)) {
      return mapping_pair{kept_.byte_text.view(), kept_.unicode_text.view()};
    }
  }
  drain_input();
  return std::nullopt;
}

// Takes the tokens of one table line into the kept texts and applies the
// drop and stop rules to them. Returns true when the kept pair is accepted.
bool table_reader::accept_line(std::string_view text) {
  // Comment lines and empty lines carry no tokens.
  if (text.empty() || text.front() == ';') return false;

  const line_tokens tokens = tokenize_table_line(text);
  if (tokens.count >= 2) kept_.byte_text.keep(tokens.token[1]);
  if (tokens.count >= 4) kept_.unicode_text.keep(tokens.token[3]);

  // Every data line is judged on the kept texts, even one that supplied
  // none of them. A Unicode text of "00" marks a byte without a character,
  // and such a line never stops the output.
  const std::string_view unicode_text = kept_.unicode_text.view();
  if (unicode_text == "00") return false;
  // No line has supplied a pair yet.
  if (unicode_text.empty()) return false;
  // A byte or a character that comes a second time means the table has
  // begun to assign values anew (a second table, or a slip in this one):
  // the mapping ends there for good. Once either text is found, what the
  // sets hold no longer matters.
  if (!emitted_.byte_texts.insert(kept_.byte_text.view()) ||
      !emitted_.unicode_texts.insert(unicode_text)) {
    stopped_ = true;
    return false;
  }
  return true;
}

// Moves the uncut bytes to the front of the buffer and reads until at least
// kLookahead of them are there or the input has ended.
void table_reader::fill_buffer() {
  if (input_ended_ || end_ - begin_ >= kLookahead) return;
  char* const buffer = buffer_.get();
  std::memmove(buffer, buffer + begin_, end_ - begin_);
  end_ -= begin_;
  begin_ = 0;
  while (!input_ended_ && end_ < kLookahead) {
    const std::ptrdiff_t n = source_.read(buffer + end_, kBlockSize - end_);
    if (n <= 0) {
      input_ended_ = true;
      read_failed_ = n < 0;
      break;
    }
    // Ctrl-Z marks the end of a text file: nothing after it is read.
    const void* ctrl_z = std::memchr(buffer + end_, kCtrlZ, n);
    if (ctrl_z != nullptr) {
      end_ = static_cast<const char*>(ctrl_z) - buffer;
      input_ended_ = true;
      break;
    }
    end_ += n;
  }
}

// Cuts the next table line off the input and returns its text without the
// LF, or false at the end of the input. A table line is what one bounded
// read of a text stream gives: up to and including the first LF, where a CR
// LF counts as one LF, but never more than kTableLineMax characters.
bool table_reader::next_table_line(std::string_view* text) {
  fill_buffer();
  const size_t available = end_ - begin_;
  if (available == 0) return false;
  const char* line = buffer_.get() + begin_;
  const size_t window = available < kLookahead ? available : kLookahead;
  const char* lf = static_cast<const char*>(std::memchr(line, '\n', window));
  if (lf != nullptr) {
    const size_t raw_size = lf - line + 1;
    const size_t cr = lf > line && lf[-1] == '\r' ? 1 : 0;
    if (raw_size - cr <= kTableLineMax) {
      *text = std::string_view(line, raw_size - 1 - cr);
      begin_ += raw_size;
      return true;
    }
  }
  // No line end within reach: the line is cut after kTableLineMax
  // characters. None of them is a CR LF, which would need the LF in reach.
  const size_t size = available < kTableLineMax ? available : kTableLineMax;
  *text = std::string_view(line, size);
  begin_ += size;
  return true;
}

// Reads the rest of the input, to its end or a read error, and discards it.
void table_reader::drain_input() {
  while (!input_ended_) {
    begin_ = end_;
    fill_buffer();
  }
  begin_ = end_;
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
