// What kind of program a file held open is, and what processor this machine
// has, on POSIX: an executable ELF file for this machine's processor, not cut
// short, is a program of its class, and an executable script whose interpreter
// is there one that any processor runs, as a 32-bit Windows program is.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/posix/handles.h"
#include "platform/posix/last_error.h"
#include "platform/win32_api.h"

namespace {

const unsigned char kElfMagic[] = {0x7F, 'E', 'L', 'F'};
const unsigned char kElfClass32 = 1;
const unsigned char kElfClass64 = 2;
const std::size_t kElfMachineField = 18;
const std::size_t kElfHeaderSize = 64;  // of the wider, 64-bit form
const std::size_t kHeadSize = 256;

// The unsigned field of `width` bytes at `offset` of an ELF header, in the
// byte order the header gives.
std::uint64_t ElfField(const unsigned char* head, std::size_t offset,
                       std::size_t width) {
  const bool bigEndian = head[5] == 2;
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) {
    value = value << 8 | head[offset + (bigEndian ? i : width - 1 - i)];
  }
  return value;
}

unsigned ElfMachine(const unsigned char* head) {
  return static_cast<unsigned>(ElfField(head, kElfMachineField, 2));
}

// Whether the section header table, which a linker writes at the end of the
// file, lies within a file of `size` bytes: a file cut short loses it.
bool ElfWhole(const unsigned char* head, std::uint64_t size) {
  const bool wide = head[4] == kElfClass64;
  const std::uint64_t table = ElfField(head, wide ? 0x28 : 0x20, wide ? 8 : 4);
  const std::uint64_t entry = ElfField(head, wide ? 0x3A : 0x2E, 2);
  const std::uint64_t count = ElfField(head, wide ? 0x3C : 0x30, 2);
  return table <= size && entry * count <= size - table;
}

// The processor this very program was built for.
unsigned OwnElfMachine() {
  unsigned char head[kElfMachineField + 2] = {};
  const int fd = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
  const ssize_t got = fd < 0 ? 0 : read(fd, head, sizeof head);
  if (fd >= 0) close(fd);
  return got == static_cast<ssize_t>(sizeof head) ? ElfMachine(head) : 0;
}

// Whether the interpreter a script's first line names is a program there.
bool InterpreterIsThere(const unsigned char* head, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(head) + 2,
                         reinterpret_cast<const char*>(head) + size);
  const std::size_t start = line.find_first_not_of(" \t");
  if (start == std::string::npos) return false;
  const std::string interpreter =
      line.substr(start, line.find_first_of(" \t\r\n", start) - start);
  struct stat entry;
  return stat(interpreter.c_str(), &entry) == 0 && S_ISREG(entry.st_mode) &&
         access(interpreter.c_str(), X_OK) == 0;
}

}  // namespace

BOOL GetHostBinaryType(HANDLE file, LPDWORD type) {
  auto* open = HandleAs<FileHandle>(file, PosixHandle::Kind::File);
  if (open == nullptr) return FALSE;
  struct stat entry;
  unsigned char head[kHeadSize] = {};
  const bool runnable = fstat(open->fd, &entry) == 0 &&
                        S_ISREG(entry.st_mode) &&
                        (entry.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
  // Read where the file begins, wherever the handle stands.
  const ssize_t got = runnable ? pread(open->fd, head, sizeof head, 0) : 0;
  const auto size = static_cast<std::size_t>(got > 0 ? got : 0);
  if (size >= 2 && head[0] == '#' && head[1] == '!' &&
      InterpreterIsThere(head, size)) {
    *type = SCS_32BIT_BINARY;
    return TRUE;
  }
  if (size >= kElfHeaderSize && std::memcmp(head, kElfMagic, 4) == 0 &&
      (head[4] == kElfClass32 || head[4] == kElfClass64) &&
      ElfMachine(head) == OwnElfMachine() &&
      ElfWhole(head, static_cast<std::uint64_t>(entry.st_size))) {
    *type = head[4] == kElfClass64 ? SCS_64BIT_BINARY : SCS_32BIT_BINARY;
    return TRUE;
  }
  SetLastError(ERROR_BAD_EXE_FORMAT);
  return FALSE;
}

void GetNativeSystemInfo(SYSTEM_INFO* info) {
  std::memset(info, 0, sizeof *info);
  info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_UNKNOWN;
  struct utsname system;
  if (uname(&system) != 0) return;
  const std::string machine = system.machine;
  if (machine == "x86_64") {
    info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
  } else if (machine == "aarch64" || machine == "arm64") {
    info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_ARM64;
  } else if (machine == "ia64") {
    info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_IA64;
  } else if (machine.size() == 4 && machine[0] == 'i' &&
             machine.compare(2, 2, "86") == 0) {
    info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
  }
}
