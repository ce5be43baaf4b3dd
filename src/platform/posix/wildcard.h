// Matching a directory entry's name against a search pattern the way a
// Windows directory search does.
#pragma once

#include <string_view>

// "*" matches any run of characters, "?" exactly one, letters match either
// case. A pattern ending in ".*" also matches names without a dot, so "*.*"
// matches every name. Runs in time proportional to the product of the two
// lengths at worst.
bool MatchesWildcard(std::string_view pattern, std::string_view name);
