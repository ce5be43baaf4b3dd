// Types shared by the stages of the upgrade.
#pragma once

#include <cstddef>
#include <string>

// Which "Program Files" folder the installer engine used for its maintenance
// files: the 32-bit one on 32-bit Windows, "Program Files (x86)" on 64-bit.
enum class InstallLayout { Layout32, Layout64 };

// How the new installer is started: interactively, or silently with the
// install response file.
enum class InstallMode { Interactive, Silent };

// A fixed-capacity narrow string for composed paths: 256 characters including
// the terminator. Appending text that does not fit is refused as a whole and
// reported, never truncated.
class PathBuffer {
 public:
  static constexpr std::size_t kCapacity = 256;

  PathBuffer() = default;
  explicit PathBuffer(const char* text) { Append(text); }

  // Appends `text` when all of it fits; otherwise leaves the buffer unchanged
  // and returns false.
  bool Append(const char* text);

  const char* c_str() const { return text_; }
  std::size_t size() const { return length_; }

 private:
  char text_[kCapacity] = {};
  std::size_t length_ = 0;
};

// A program to start. `line` is the complete command line the program
// receives. `program` is the full path of the program when it is known, so the
// system starts exactly that file; empty, it leaves the system to find the
// program named by the line's first token.
struct LaunchCommand {
  std::string program;
  std::string line;
};

// The command that starts `program` lying in `folder` by its full path, with
// `switches` and, right after them, the quoted path of `responseFile` in the
// same folder: F\program<switches>"F\responseFile". The program path stays
// unquoted, as the programs started this way expect. The separator is added
// even after a drive root's own. Composed in growable strings, so a folder of
// any length gives the whole line.
LaunchCommand ResponseFileCommand(const std::string& folder,
                                  const char* program, const char* switches,
                                  const char* responseFile);
