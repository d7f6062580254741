#include "memory_io.h"

#include <algorithm>
#include <cstring>

namespace tabulor {

std::ptrdiff_t string_source::read(char* buffer, size_t capacity) {
  ++reads_;
  size_t n = std::min({capacity, chunk_, data_.size() - offset_});
  if (fail_at_ != std::string::npos && offset_ + n > fail_at_) return -1;
  std::memcpy(buffer, data_.data() + offset_, n);
  offset_ += n;
  return static_cast<std::ptrdiff_t>(n);
}

bool string_sink::write(std::string_view bytes) {
  ++writes;
  if (capacity_ != std::string::npos &&
      data.size() + bytes.size() > capacity_) {
    return false;
  }
  data.append(bytes);
  return true;
}

}  // namespace tabulor
