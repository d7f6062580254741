// Byte comparisons for the tests that show a hex dump on mismatch.

#ifndef TABULOR_TESTS_TEST_UTIL_H_
#define TABULOR_TESTS_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "memory_io.h"

namespace tabulor {

std::string hex_dump(std::string_view bytes);

// Succeeds when the two byte strings are equal; otherwise says where they
// first differ and shows both as hex dumps.
::testing::AssertionResult same_bytes(std::string_view expected,
                                      std::string_view actual);

}  // namespace tabulor

#endif  // TABULOR_TESTS_TEST_UTIL_H_
