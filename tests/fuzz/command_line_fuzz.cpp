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

#include "driver/command_line.h"

namespace {

bool NoLeadBytes(unsigned char) { return false; }
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

void CheckLine(const std::string& line, LeadByteTest isLeadByte) {
  const char* own = "C:\\Dist\\up.exe";
  const int count = CountArguments(line.c_str(), own, isLeadByte);
  Require(count >= 1);
  Require(CountArguments((line + "  \t ").c_str(), own, isLeadByte) == count);
  if (!EndsInsideQuotedStretch(line.c_str(), own, isLeadByte) &&
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
