#include "conversion/text_set.h"

#include <sys/mman.h>

#include <bit>
#include <cassert>
#include <cstring>
#include <new>

namespace tabulor {
namespace {

// A short text's bytes share its slot with the kind and the tag, which
// take the slot's high-order bytes: that layout needs the low-order bytes
// first in memory.
static_assert(std::endian::native == std::endian::little);

constexpr size_t kInitialSlots = 1024;
constexpr size_t kShortTextMax = 6;
constexpr uint64_t kLongText = 7;
constexpr int kKindShift = 48;
constexpr int kTagShift = 56;
constexpr int kLongSizeShift = 40;
constexpr uint64_t kOffsetMask = (uint64_t{1} << kLongSizeShift) - 1;

// A fast hash for short texts: eight bytes at a time, each folded in with a
// multiply and a shift, the length mixed in first so that texts that differ
// only in trailing NUL bytes hash apart.
uint64_t hash_text(std::string_view text) {
  uint64_t hash = 0x9e3779b97f4a7c15ULL ^ text.size();
  const char* p = text.data();
  size_t left = text.size();
  while (left > 0) {
    uint64_t chunk = 0;
    const size_t n = left < 8 ? left : 8;
    std::memcpy(&chunk, p, n);
    hash = (hash ^ chunk) * 0xbf58476d1ce4e5b9ULL;
    hash ^= hash >> 29;
    p += n;
    left -= n;
  }
  hash *= 0x94d049bb133111ebULL;
  return hash ^ (hash >> 32);
}

uint64_t kind_of(uint64_t s) { return (s >> kKindShift) & 0xff; }

// The slot a text would have, but for a long text's offset, which the
// caller adds. Either way the hash's top byte is its tag.
uint64_t key_of(std::string_view text, uint64_t hash) {
  const uint64_t tag = hash >> 56 << kTagShift;
  if (text.size() <= kShortTextMax) {
    uint64_t chars = 0;
    std::memcpy(&chars, text.data(), text.size());
    return chars | uint64_t{text.size()} << kKindShift | tag;
  }
  return uint64_t{text.size()} << kLongSizeShift | kLongText << kKindShift |
         tag;
}

// The slot index a hash starts probing at.
size_t home_of(uint64_t hash, size_t mask) { return hash & mask; }

// Zeroed memory for `count` slots. Fresh pages from the system need no pass
// to clear them, and huge pages, where the system grants them, spare the
// random probes of a large table most of their TLB misses: together they
// halve the time of a conversion with a million pairs.
uint64_t* map_slots(size_t count) {
  const size_t bytes = count * sizeof(uint64_t);
  void* slots = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (slots == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  // Only a hint: a system without huge pages refuses it and nothing changes.
  (void)madvise(slots, bytes, MADV_HUGEPAGE);
#endif
  return static_cast<uint64_t*>(slots);
}

void unmap_slots(uint64_t* slots, size_t count) {
  munmap(slots, count * sizeof(uint64_t));
}

}  // namespace

text_set::text_set()
    : slots_(map_slots(kInitialSlots)), slot_count_(kInitialSlots) {}

text_set::~text_set() { unmap_slots(slots_, slot_count_); }

uint64_t text_set::hash(std::string_view text) { return hash_text(text); }

void text_set::prefetch(uint64_t hash) const {
  __builtin_prefetch(&slots_[home_of(hash, slot_count_ - 1)]);
}

std::string_view text_set::long_text(slot s) const {
  return std::string_view(long_chars_.data() + (s & kOffsetMask),
                          (s >> kLongSizeShift) & 0xff);
}

text_set::position text_set::find(std::string_view text, uint64_t hash) const {
  const uint64_t key = key_of(text, hash);
  const size_t mask = slot_count_ - 1;
  if (text.size() <= kShortTextMax) {
    for (size_t i = home_of(hash, mask);; i = (i + 1) & mask) {
      if (slots_[i] == 0 || slots_[i] == key) return {key, i, slots_[i] != 0};
    }
  }
  // A long text matches a slot with the same kind, size and tag, and the
  // same characters.
  const uint64_t header_mask = ~kOffsetMask;
  for (size_t i = home_of(hash, mask);; i = (i + 1) & mask) {
    const slot s = slots_[i];
    if (s == 0) return {key, i, false};
    if ((s & header_mask) == key && long_text(s) == text) return {key, i, true};
  }
}

void text_set::insert(std::string_view text, const position& where) {
  assert(!where.found && !text.empty() && text.size() <= kTextSetMaxSize);
  slot s = where.key;
  if (text.size() > kShortTextMax) {
    // 40 bits of offset reach 1 TiB of texts, far more than memory holds.
    assert(long_chars_.size() + text.size() <= kOffsetMask);
    s |= uint64_t{long_chars_.size()};
    long_chars_.insert(long_chars_.end(), text.begin(), text.end());
  }
  slots_[where.slot] = s;
  ++size_;
  // Keep the table at most three quarters full: probe runs stay within a
  // cache line or two, and a short text costs 11 to 22 bytes.
  if (size_ * 4 > slot_count_ * 3) grow();
}

std::string_view text_set::text_of(const slot& s) const {
  if (kind_of(s) == kLongText) return long_text(s);
  // A short text is the first bytes of its slot.
  return std::string_view(reinterpret_cast<const char*>(&s), kind_of(s));
}

void text_set::grow() {
  slot* const old = slots_;
  const size_t old_count = slot_count_;
  slots_ = map_slots(old_count * 2);
  slot_count_ = old_count * 2;
  const size_t mask = slot_count_ - 1;
  // Each text lands at a random place in the new table. Placing it a few
  // texts after its place was prefetched hides most of the memory latency.
  constexpr size_t kAhead = 32;
  struct move {
    slot s;
    size_t home;
  } moves[kAhead];
  size_t move_count = 0;
  auto place = [&](const move& m) {
    size_t i = m.home;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = m.s;
  };
  for (size_t j = 0; j < old_count; ++j) {
    if (old[j] == 0) continue;
    const size_t home = home_of(hash_text(text_of(old[j])), mask);
    __builtin_prefetch(&slots_[home], 1);
    move& m = moves[move_count++ % kAhead];
    if (move_count > kAhead) place(m);
    m = move{old[j], home};
  }
  for (size_t k = 0; k < move_count && k < kAhead; ++k) place(moves[k]);
  unmap_slots(old, old_count);
}

}  // namespace tabulor
