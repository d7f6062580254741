// One byte-to-Unicode assignment as the code page table spells it.

#ifndef TABULOR_CONVERSION_MAPPING_PAIR_H_
#define TABULOR_CONVERSION_MAPPING_PAIR_H_

#include <string_view>

namespace tabulor {

// The two texts of a table line that become a mapping line, exactly as they
// were read: never parsed as numbers, never changed in case or width. Neither
// text contains a space, "=" or LF, since those always end a token.
struct mapping_pair {
  std::string_view byte_text;
  std::string_view unicode_text;
};

}  // namespace tabulor

#endif  // TABULOR_CONVERSION_MAPPING_PAIR_H_
