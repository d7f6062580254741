// A set of table texts, for finding the first repeated one quickly.

#ifndef TABULOR_CONVERSION_TEXT_SET_H_
#define TABULOR_CONVERSION_TEXT_SET_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tabulor {

// The key of the set's hash. A run takes it from the system's random
// source, so that no table written in advance can make its texts collide.
struct hash_seed {
  uint64_t k0 = 0;
  uint64_t k1 = 0;
};

// An open-addressing hash set that owns copies of its texts. Adding or
// finding a text takes constant time on average however many it holds.
// Texts of up to eight bytes, as nearly all table texts are, live in the
// slot itself, so that a lookup touches a single cache line.
class text_set {
 public:
  explicit text_set(hash_seed seed);
  text_set(const text_set&) = delete;
  text_set& operator=(const text_set&) = delete;

  // Adds a copy of `text` unless the set holds it already; returns true
  // when it was added. Texts are compared byte for byte. `text` is 1 to
  // 255 bytes long and holds no NUL byte, as a table token never does.
  // Throws std::bad_alloc when the set cannot grow.
  bool insert(std::string_view text);

 private:
  // A slot holds, byte by byte, so that its layout is the same on every
  // machine: nothing (all zero), or a text of up to eight bytes padded with
  // NULs, or a NUL, a longer text's size, and in the last six bytes the
  // offset of its characters in long_chars_, low byte first.
  using slot = std::array<unsigned char, 8>;

  uint64_t hash(std::string_view text) const;
  // The text a filled slot holds; it may point into the slot itself.
  std::string_view text_of(const slot& s) const;
  // Where `text` is, or the empty slot where it would go.
  size_t find(std::string_view text, uint64_t hash, bool* found) const;
  void grow();

  hash_seed seed_;
  // A power of two of them, at most three quarters full.
  std::vector<slot> slots_;
  std::vector<char> long_chars_;
  size_t size_ = 0;
};

}  // namespace tabulor

#endif  // TABULOR_CONVERSION_TEXT_SET_H_
