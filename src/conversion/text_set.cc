#include "conversion/text_set.h"

#include <cassert>
#include <cstring>

namespace tabulor {
namespace {

constexpr size_t kInitialSlots = 1024;

// A fast hash for short texts: eight bytes at a time, each folded in with a
// multiply and a shift, the length mixed in first so that texts that differ
// only in trailing NUL bytes hash apart.
uint64_t hash_text(std::string_view text) {
  uint64_t hash = 0x9e3779b97f4a7c15ULL ^ text.size();
  const char* p = text.data();
  size_t left = text.size();
  while (left > 0) {
    uint64_t chunk = 0;
    size_t n = left < 8 ? left : 8;
    std::memcpy(&chunk, p, n);
    hash = (hash ^ chunk) * 0xbf58476d1ce4e5b9ULL;
    hash ^= hash >> 29;
    p += n;
    left -= n;
  }
  hash *= 0x94d049bb133111ebULL;
  return hash ^ (hash >> 32);
}

uint64_t tag_of(uint64_t hash) { return hash >> 48; }

constexpr int kSizeShift = 40;
constexpr int kTagShift = 48;
constexpr uint64_t kOffsetMask = (uint64_t{1} << kSizeShift) - 1;

size_t offset_of(uint64_t slot) { return slot & kOffsetMask; }
size_t size_of(uint64_t slot) { return (slot >> kSizeShift) & 0xff; }
uint64_t slot_tag(uint64_t slot) { return slot >> kTagShift; }

}  // namespace

text_set::text_set() : slots_(kInitialSlots, 0) {}

size_t text_set::find_slot(std::string_view text, uint64_t hash) const {
  const size_t mask = slots_.size() - 1;
  const uint64_t tag = tag_of(hash);
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const slot s = slots_[i];
    if (size_of(s) == 0) return i;
    if (slot_tag(s) == tag && size_of(s) == text.size() &&
        std::memcmp(chars_.data() + offset_of(s), text.data(), text.size()) ==
            0) {
      return i;
    }
  }
}

bool text_set::contains(std::string_view text) const {
  if (text.empty()) return false;
  return size_of(slots_[find_slot(text, hash_text(text))]) != 0;
}

void text_set::insert(std::string_view text) {
  assert(!text.empty() && text.size() <= kTextSetMaxSize);
  // 40 bits of offset reach 1 TiB of texts, far more than memory holds.
  assert(chars_.size() + text.size() <= kOffsetMask);
  // Keep the table at most half full, so probe runs stay short.
  if ((size_ + 1) * 2 > slots_.size()) grow();
  const uint64_t hash = hash_text(text);
  slot& s = slots_[find_slot(text, hash)];
  assert(size_of(s) == 0);
  s = uint64_t{chars_.size()} | uint64_t{text.size()} << kSizeShift |
      tag_of(hash) << kTagShift;
  chars_.insert(chars_.end(), text.begin(), text.end());
  ++size_;
}

void text_set::grow() {
  std::vector<slot> old(slots_.size() * 2, 0);
  old.swap(slots_);
  const size_t mask = slots_.size() - 1;
  for (const slot& s : old) {
    if (size_of(s) == 0) continue;
    std::string_view text(chars_.data() + offset_of(s), size_of(s));
    size_t i = hash_text(text) & mask;
    while (size_of(slots_[i]) != 0) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

}  // namespace tabulor
