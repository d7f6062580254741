// A set of short byte strings, for finding repeated table texts quickly.

#ifndef TABULOR_CONVERSION_TEXT_SET_H_
#define TABULOR_CONVERSION_TEXT_SET_H_

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tabulor {

// The longest text a text_set holds. Table tokens are far shorter: a token
// never outgrows the table line it comes from.
inline constexpr size_t kTextSetMaxSize = 255;

// An open-addressing hash set that owns copies of its texts. Lookups and
// insertions take constant time on average however many texts it holds.
// Texts of up to six bytes, as nearly all table texts are, live in the
// table itself, so that looking one up touches a single cache line.
class text_set {
 public:
  text_set();
  ~text_set();
  text_set(const text_set&) = delete;
  text_set& operator=(const text_set&) = delete;

  // Where a lookup ended: at the text, or at the place it would go.
  struct position {
    uint64_t key;
    size_t slot;
    bool found;
  };

  // The hash that find() uses, for callers that want to compute it once.
  static uint64_t hash(std::string_view text);

  // Asks the processor to start loading the slots a lookup of a text with
  // this hash begins at; a hint only, with no effect on the result.
  void prefetch(uint64_t hash) const;

  // Looks `text` up, comparing byte for byte. `hash` must be hash(text).
  position find(std::string_view text, uint64_t hash) const;

  position find(std::string_view text) const { return find(text, hash(text)); }

  bool contains(std::string_view text) const { return find(text).found; }

  // Adds a copy of `text`, at most kTextSetMaxSize bytes long, which `where`
  // (returned by find(text) with no insert since) did not find.
  void insert(std::string_view text, const position& where);

  void insert(std::string_view text) { insert(text, find(text)); }

  size_t size() const { return size_; }

 private:
  // One slot of the table, 64 bits; 0 is an empty slot. Byte 6 tells what
  // the others hold, byte 7 is 8 bits of the text's hash:
  //  - 1 to 6: a short text of that size, in bytes 0 to 5;
  //  - kLongText: a longer text, in long_chars_ at the offset in bits 0 to
  //    39, of the size in bits 40 to 47.
  using slot = uint64_t;

  void grow();
  std::string_view long_text(slot s) const;
  // The text a filled slot holds; it may point into the slot itself.
  std::string_view text_of(const slot& s) const;

  // A power of two of them, at most three quarters full, mapped straight from
  // the system (see map_slots).
  slot* slots_;
  size_t slot_count_;
  std::vector<char> long_chars_;
  size_t size_ = 0;
};

}  // namespace tabulor

#endif  // TABULOR_CONVERSION_TEXT_SET_H_
