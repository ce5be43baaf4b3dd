// Splitting a process command line into arguments, by the rules of the
// classic C runtime start-up code that the program's mode depends on.
#pragma once

#include <string>
#include <vector>

// Tells whether a byte opens a two-byte character in the system code page.
using LeadByteTest = bool (*)(unsigned char byte);

// The lead-byte test of a single-byte code page: no byte opens a pair.
bool NoLeadBytes(unsigned char byte);

// Splits `line` into the program name and its arguments. An empty or null
// line is replaced by `ownPath`. The program name is always the first element,
// even when empty, so the result is never empty. `isLeadByte` keeps the second
// byte of a double-byte character from being read as a blank, quote or
// backslash.
std::vector<std::string> SplitCommandLine(const char* line, const char* ownPath,
                                          LeadByteTest isLeadByte);

// The number of elements SplitCommandLine gives: the C runtime's argc.
int CountArguments(const char* line, const char* ownPath,
                   LeadByteTest isLeadByte);
