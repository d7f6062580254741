// Where the conversion's bytes come from and go to. The front end gives it
// files and the console; tests and benchmarks give it memory.

#ifndef TABULOR_CONVERSION_BYTE_STREAM_H_
#define TABULOR_CONVERSION_BYTE_STREAM_H_

#include <cstddef>
#include <string_view>

namespace tabulor {

class byte_source {
 public:
  virtual ~byte_source() = default;

  // Reads at most `capacity` bytes into `buffer`. Returns how many were read,
  // 0 at the end of the input, or -1 on a read error.
  virtual std::ptrdiff_t read(char* buffer, size_t capacity) = 0;
};

class byte_sink {
 public:
  virtual ~byte_sink() = default;

  // Writes all of `data`. Returns false when that failed.
  virtual bool write(std::string_view data) = 0;
};

}  // namespace tabulor

#endif  // TABULOR_CONVERSION_BYTE_STREAM_H_
