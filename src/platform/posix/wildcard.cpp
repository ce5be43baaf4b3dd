#include "platform/posix/wildcard.h"

#include <cctype>

namespace {

bool SameLetter(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) ==
         std::tolower(static_cast<unsigned char>(b));
}

// Greedy matching that returns to the last "*" on a mismatch; each return
// advances the star's reach by one, which bounds the work.
bool MatchPlain(std::string_view pattern, std::string_view name) {
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t star = std::string_view::npos;
  std::size_t starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      starName = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || SameLetter(pattern[p], name[n]))) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  if (MatchPlain(pattern, name)) return true;
  const bool endsInDotStar =
      pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*";
  return endsInDotStar && name.find('.') == std::string_view::npos &&
         MatchPlain(pattern.substr(0, pattern.size() - 2), name);
}
