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
// insertions take constant time on average however many texts it holds, and
// the texts are stored back to back, so memory grows with their total size.
class text_set {
 public:
  text_set();

  // Returns true when `text` equals, byte for byte, a text in the set.
  bool contains(std::string_view text) const;

  // Adds a copy of `text`, which must not be in the set yet and must be at
  // most kTextSetMaxSize bytes long.
  void insert(std::string_view text);

  size_t size() const { return size_; }

 private:
  // One slot of the table, packed in 64 bits: where a text lies in chars_
  // (40 bits of offset, 8 of size) and 16 high bits of its hash, to skip
  // most compares. A slot of size 0 is empty: the set holds no empty text.
  using slot = uint64_t;

  // Returns the index of the slot holding `text`, or of the empty slot where
  // it belongs.
  size_t find_slot(std::string_view text, uint64_t hash) const;
  void grow();

  std::vector<slot> slots_;  // size is a power of two
  std::vector<char> chars_;
  size_t size_ = 0;
};

}  // namespace tabulor

#endif  // TABULOR_CONVERSION_TEXT_SET_H_
