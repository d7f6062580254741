// A plain and slow model of the conversion, kept apart from the tool's own
// reader to check it against: the table is first turned into the text a
// CR LF text stream delivers, then read with fgets-style bounded reads into
// an 80-byte buffer, split with strtok_r, and every line is checked against
// a list of all accepted pairs.

#ifndef TABULOR_TESTS_REFERENCE_MODEL_H_
#define TABULOR_TESTS_REFERENCE_MODEL_H_

#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tabulor {

using text_pair = std::pair<std::string, std::string>;  // byte, Unicode

// The pairs the tool accepts from `table`, in order.
std::vector<text_pair> reference_pairs(std::string_view table);

// The CHARMAP section, between "CHARMAP" and "END CHARMAP", that the tool
// writes for `table`, with its CR LF line ends.
std::string reference_charmap(std::string_view table);

// A random table: short tokens from a small alphabet, so that repeats, "00"
// and carried-over texts are common, mixed with every troublesome byte and
// lines of every length.
std::string random_table(std::mt19937& random);

}  // namespace tabulor

#endif  // TABULOR_TESTS_REFERENCE_MODEL_H_
