#include "driver/path_buffer.h"

#include <cstring>

bool PathBuffer::Append(const char* text) {
  const std::size_t added = std::strlen(text);
  if (added >= kCapacity - length_) return false;
  std::memcpy(text_ + length_, text, added + 1);
  length_ += added;
  return true;
}
