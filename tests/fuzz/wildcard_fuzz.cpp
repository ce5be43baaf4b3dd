// The directory search's pattern matching against a plain reference: a table
// over every pair of pattern and name prefixes, plus the rule that a pattern
// ending in ".*" also matches names without a dot. Input: pattern, a zero
// byte, name.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/wildcard.h"

namespace {

bool ReferenceMatch(std::string_view pattern, std::string_view name) {
  // matches[i][j]: the first i pattern characters match the first j name ones.
  std::vector<std::vector<bool>> matches(
      pattern.size() + 1, std::vector<bool>(name.size() + 1, false));
  matches[0][0] = true;
  for (std::size_t i = 1; i <= pattern.size(); ++i) {
    const char p = pattern[i - 1];
    for (std::size_t j = 0; j <= name.size(); ++j) {
      if (p == '*') {
        matches[i][j] = matches[i - 1][j] || (j > 0 && matches[i][j - 1]);
      } else if (j > 0) {
        const bool same =
            p == '?' ||
            std::tolower(static_cast<unsigned char>(p)) ==
                std::tolower(static_cast<unsigned char>(name[j - 1]));
        matches[i][j] = same && matches[i - 1][j - 1];
      }
    }
  }
  return matches[pattern.size()][name.size()];
}

bool Reference(std::string_view pattern, std::string_view name) {
  if (ReferenceMatch(pattern, name)) return true;
  return pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
         name.find('.') == std::string_view::npos &&
         ReferenceMatch(pattern.substr(0, pattern.size() - 2), name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  if (split == std::string_view::npos) return 0;
  const std::string_view pattern = input.substr(0, split).substr(0, 256);
  const std::string_view name = input.substr(split + 1).substr(0, 256);
  if (MatchesWildcard(pattern, name) != Reference(pattern, name)) std::abort();
  if (!MatchesWildcard("*", name) || !MatchesWildcard("*.*", name))
    std::abort();
  return 0;
}
