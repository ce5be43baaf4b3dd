#include "shared/command_line.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Appends one character to `out`, both bytes of a double-byte one, and
// advances `p` past it. A lead byte at the very end stands alone.
void TakeCharacter(const char*& p, std::string& out, LeadByteTest isLeadByte) {
  if (isLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') {
    out += *p++;
  }
  out += *p++;
}

// The program name: a leading quoted stretch taken literally up to the next
// quote, otherwise everything up to the first blank.
std::string TakeProgramName(const char*& p, LeadByteTest isLeadByte) {
  std::string name;
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') TakeCharacter(p, name, isLeadByte);
    if (*p == '"') ++p;
  } else {
    while (*p != '\0' && !IsBlank(*p)) TakeCharacter(p, name, isLeadByte);
  }
  return name;
}

// One argument starting at a non-blank character; leaves `p` on the blank or
// terminator that ends it.
std::string TakeArgument(const char*& p, LeadByteTest isLeadByte) {
  std::string argument;
  bool inQuote = false;
  for (;;) {
    std::size_t backslashes = 0;
    while (*p == '\\') {
      ++p;
      ++backslashes;
    }
    bool copy = true;
    if (*p == '"') {
      if (backslashes % 2 == 0) {
        if (inQuote && p[1] == '"') {
          // Two quotes inside a quoted stretch: one literal quote, and the
          // stretch ends.
          ++p;
          inQuote = false;
        } else {
          copy = false;
          inQuote = !inQuote;
        }
      }
      backslashes /= 2;
    }
    argument.append(backslashes, '\\');
    if (*p == '\0' || (!inQuote && IsBlank(*p))) return argument;
    if (copy) {
      TakeCharacter(p, argument, isLeadByte);
    } else {
      ++p;
    }
  }
}

}  // namespace

bool NoLeadBytes(unsigned char) { return false; }

std::vector<std::string> SplitCommandLine(const char* line, const char* ownPath,
                                          LeadByteTest isLeadByte) {
  const char* p = (line != nullptr && *line != '\0') ? line : ownPath;
  if (p == nullptr) p = "";
  std::vector<std::string> arguments;
  arguments.push_back(TakeProgramName(p, isLeadByte));
  for (;;) {
    while (IsBlank(*p)) ++p;
    if (*p == '\0') return arguments;
    arguments.push_back(TakeArgument(p, isLeadByte));
  }
}

int CountArguments(const char* line, const char* ownPath,
                   LeadByteTest isLeadByte) {
  return static_cast<int>(SplitCommandLine(line, ownPath, isLeadByte).size());
}
