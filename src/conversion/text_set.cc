#include "conversion/text_set.h"

#include <bit>
#include <cassert>
#include <cstring>

namespace tabulor {
namespace {

constexpr size_t kInitialSlots = 1024;  // a real code page needs no more
constexpr size_t kInlineMax = 8;
constexpr int kOffsetBytes = 6;

// The 128-bit product of a and b, folded to 64 bits.
uint64_t fold_multiply(uint64_t a, uint64_t b) {
#if defined(__SIZEOF_INT128__)
  __extension__ using uint128 = unsigned __int128;
  const uint128 product = static_cast<uint128>(a) * b;
  return static_cast<uint64_t>(product) ^ static_cast<uint64_t>(product >> 64);
#else
  // The same product from 32-bit halves, for compilers without a 128-bit
  // integer type.
  const uint64_t a_lo = a & 0xffffffff, a_hi = a >> 32;
  const uint64_t b_lo = b & 0xffffffff, b_hi = b >> 32;
  const uint64_t lo_lo = a_lo * b_lo, hi_lo = a_hi * b_lo;
  const uint64_t lo_hi = a_lo * b_hi, hi_hi = a_hi * b_hi;
  const uint64_t cross = (lo_lo >> 32) + (hi_lo & 0xffffffff) + lo_hi;
  const uint64_t lo = (cross << 32) | (lo_lo & 0xffffffff);
  const uint64_t hi = (hi_lo >> 32) + (cross >> 32) + hi_hi;
  return lo ^ hi;
#endif
}

// Spreads any seed, even zero, into a well-mixed key.
uint64_t spread(uint64_t x) {
  x += 0x9e3779b97f4a7c15ULL;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

using slot_bytes = std::array<unsigned char, 8>;

// A slot's eight bytes as one word, for comparing slots in one step. Its
// value depends on the byte order, but whether two words are equal, or
// zero, does not.
uint64_t word(const slot_bytes& s) {
  uint64_t w;
  std::memcpy(&w, s.data(), sizeof w);
  return w;
}

// Every filled slot has a non-zero byte among its first two.
bool is_empty(const slot_bytes& s) { return word(s) == 0; }

// The slot a hash starts probing at: its top bits, so that the order of
// the texts in the table follows their hashes, and growing the table
// writes the larger one from start to end instead of all over.
size_t home(uint64_t hash, size_t slot_count) {
  return static_cast<size_t>(hash >> (64 - std::countr_zero(slot_count)));
}

}  // namespace

text_set::text_set(hash_seed seed)
    : seed_{spread(seed.k0), spread(seed.k1 ^ 0x5851f42d4c957f2dULL) | 1},
      slots_(kInitialSlots) {}

uint64_t text_set::hash(std::string_view text) const {
  // Each eight bytes are folded in with a keyed multiply; the size goes in
  // first, and NUL padding cannot make two texts alike, as none holds NUL.
  uint64_t h = seed_.k0 ^ text.size();
  for (size_t at = 0; at < text.size(); at += 8) {
    uint64_t chunk = 0;
    std::memcpy(&chunk, text.data() + at,
                text.size() - at < 8 ? text.size() - at : 8);
    h = fold_multiply(h ^ chunk, seed_.k1);
  }
  return h;
}

std::string_view text_set::text_of(const slot& s) const {
  if (s[0] != 0) {
    const void* nul = std::memchr(s.data(), 0, kInlineMax);
    const size_t size = nul == nullptr
                            ? kInlineMax
                            : static_cast<const unsigned char*>(nul) - s.data();
    return {reinterpret_cast<const char*>(s.data()), size};
  }
  size_t offset = 0;
  for (int i = kOffsetBytes - 1; i >= 0; --i) offset = offset << 8 | s[2 + i];
  return {long_chars_.data() + offset, s[1]};
}

size_t text_set::find(std::string_view text, uint64_t hash, bool* found) const {
  const size_t mask = slots_.size() - 1;
  size_t i = home(hash, slots_.size());
  if (text.size() <= kInlineMax) {
    slot key{};
    std::memcpy(key.data(), text.data(), text.size());
    const uint64_t key_word = word(key);
    for (; word(slots_[i]) != key_word && !is_empty(slots_[i]);
         i = (i + 1) & mask) {
    }
  } else {
    for (; !is_empty(slots_[i]); i = (i + 1) & mask) {
      const slot& s = slots_[i];
      if (s[0] == 0 && s[1] == text.size() && text_of(s) == text) break;
    }
  }
  *found = !is_empty(slots_[i]);
  return i;
}

bool text_set::insert(std::string_view text) {
  assert(!text.empty() && text.size() <= 255);
  assert(text.find('\0') == std::string_view::npos);
  bool found = false;
  const size_t i = find(text, hash(text), &found);
  if (found) return false;
  slot s{};
  if (text.size() <= kInlineMax) {
    std::memcpy(s.data(), text.data(), text.size());
  } else {
    size_t offset = long_chars_.size();
    assert(offset >> (8 * kOffsetBytes) == 0);
    long_chars_.insert(long_chars_.end(), text.begin(), text.end());
    s[1] = static_cast<unsigned char>(text.size());
    for (int b = 0; b < kOffsetBytes; ++b, offset >>= 8) {
      s[2 + b] = static_cast<unsigned char>(offset & 0xff);
    }
  }
  slots_[i] = s;
  ++size_;
  // At most three quarters full, probe runs stay short; a short text then
  // costs 11 to 22 bytes.
  if (size_ * 4 > slots_.size() * 3) grow();
  return true;
}

void text_set::grow() {
  std::vector<slot> grown(slots_.size() * 2);
  const size_t mask = grown.size() - 1;
  for (const slot& s : slots_) {
    if (is_empty(s)) continue;
    size_t i = home(hash(text_of(s)), grown.size());
    while (!is_empty(grown[i])) i = (i + 1) & mask;
    grown[i] = s;
  }
  slots_.swap(grown);
}

}  // namespace tabulor
