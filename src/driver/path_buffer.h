// A fixed-capacity narrow string for the composed paths of fixed length.
#pragma once

#include <cstddef>

// 256 characters including the terminator. Appending text that does not fit
// is refused as a whole and reported, never truncated. There is no
// constructor from text, on purpose: every composition goes through Append,
// and its caller handles a refusal.
class PathBuffer {
 public:
  static constexpr std::size_t kCapacity = 256;

  // Appends `text` when all of it fits; otherwise leaves the buffer unchanged
  // and returns false.
  bool Append(const char* text);

  const char* c_str() const { return text_; }
  std::size_t size() const { return length_; }

 private:
  char text_[kCapacity] = {};
  std::size_t length_ = 0;
};
