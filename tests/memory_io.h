// In-memory sources and sinks for the tests and the fuzzer, which can be
// made to fail like a file.

#ifndef TABULOR_TESTS_MEMORY_IO_H_
#define TABULOR_TESTS_MEMORY_IO_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "conversion/byte_stream.h"

namespace tabulor {

// Serves a string, at most `chunk` bytes per read. With fail_at set, the
// read that would pass that offset fails instead.
class string_source : public byte_source {
 public:
  explicit string_source(std::string data, size_t chunk = 1 << 20,
                         size_t fail_at = std::string::npos)
      : data_(std::move(data)), chunk_(chunk), fail_at_(fail_at) {}

  std::ptrdiff_t read(char* buffer, size_t capacity) override;

  size_t reads() const { return reads_; }

 private:
  std::string data_;
  size_t chunk_;
  size_t fail_at_;
  size_t offset_ = 0;
  size_t reads_ = 0;
};

// Collects what is written. With capacity set, a write that would pass it
// fails (and keeps nothing of its data), like a full disk.
class string_sink : public byte_sink {
 public:
  explicit string_sink(size_t capacity = std::string::npos)
      : capacity_(capacity) {}

  bool write(std::string_view data) override;

  std::string data;
  size_t writes = 0;

 private:
  size_t capacity_;
};

}  // namespace tabulor

#endif  // TABULOR_TESTS_MEMORY_IO_H_
