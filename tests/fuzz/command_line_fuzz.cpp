// Properties of the argument counter that must hold for every non-empty line:
// - the count is at least 1 (the program name is always there);
// - blanks added at the end of the line change nothing;
// - where the line does not end inside a quoted stretch (nor, in a double-byte
//   code page, on a lead byte), a blank and a quoted plain word add exactly
//   one argument.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shared/command_line.h"

namespace {

bool HighLeadBytes(unsigned char byte) { return byte >= 0x81; }

void Require(bool property) {
  if (!property) std::abort();
}

// Whether the line's last byte is a lead byte that would swallow the next one.
bool EndsOnLeadByte(const std::string& line, LeadByteTest isLeadByte) {
  std::size_t i = 0;
  bool lead = false;
  while (i < line.size()) {
    lead =
        isLeadByte(static_cast<unsigned char>(line[i])) && i + 1 == line.size();
    i += isLeadByte(static_cast<unsigned char>(line[i])) ? 2 : 1;
  }
  return lead;
}

// The length of the character at `i`: two bytes for a lead byte with a byte
// after it.
std::size_t CharacterLength(const std::string& line, std::size_t i,
                            LeadByteTest isLeadByte) {
  return isLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < line.size()
             ? 2
             : 1;
}

// Whether the line ends inside a quoted stretch that was never closed, so
// that text added to it would continue that stretch: the quote state of the
// start-up rules, kept by a scan of its own.
bool EndsInsideQuotedStretch(const std::string& line, LeadByteTest isLeadByte) {
  std::size_t i = 0;
  if (!line.empty() && line[0] == '"') {
    for (i = 1; i < line.size() && line[i] != '"';) {
      i += CharacterLength(line, i, isLeadByte);
    }
    if (i >= line.size()) return true;
    ++i;
  } else {
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
      i += CharacterLength(line, i, isLeadByte);
    }
  }
  bool inQuote = false;
  std::size_t backslashes = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == '\\') {
      ++backslashes;
      ++i;
      continue;
    }
    if (c == '"' && backslashes % 2 == 0 && inQuote && i + 1 < line.size() &&
        line[i + 1] == '"') {
      inQuote = false;
      i += 2;
    } else if (c == '"') {
      if (backslashes % 2 == 0) inQuote = !inQuote;
      ++i;
    } else {
      i += CharacterLength(line, i, isLeadByte);
    }
    backslashes = 0;
  }
  return inQuote;
}

void CheckLine(const std::string& line, LeadByteTest isLeadByte) {
  const char* own = "C:\\Dist\\up.exe";
  const int count = CountArguments(line.c_str(), own, isLeadByte);
  Require(count >= 1);
  Require(CountArguments((line + "  \t ").c_str(), own, isLeadByte) == count);
  if (!EndsInsideQuotedStretch(line, isLeadByte) &&
      !EndsOnLeadByte(line, isLeadByte)) {
    Require(CountArguments((line + " \"word\"").c_str(), own, isLeadByte) ==
            count + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  std::string line(reinterpret_cast<const char*>(data), size);
  line = line.substr(0, line.find('\0'));
  if (line.empty()) return 0;
  CheckLine(line, NoLeadBytes);
  CheckLine(line, HighLeadBytes);
  return 0;
}
