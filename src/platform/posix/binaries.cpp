// What kind of program a file is, and what processor this machine has, on
// POSIX: an executable ELF file for this machine's processor is a program of
// its class, and an executable script whose interpreter is there one that any
// processor runs, as a 32-bit Windows program is.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/posix/drive_paths.h"
#include "platform/posix/last_error.h"
#include "platform/win32_api.h"

namespace {

const unsigned char kElfMagic[] = {0x7F, 'E', 'L', 'F'};
const unsigned char kElfClass32 = 1;
const unsigned char kElfClass64 = 2;
const std::size_t kElfMachineField = 18;
const std::size_t kHeadSize = 256;

// The processor field of an ELF header, as the file's byte order writes it.
unsigned ElfMachine(const unsigned char* head) {
  const bool bigEndian = head[5] == 2;
  return bigEndian ? head[kElfMachineField] << 8 | head[kElfMachineField + 1]
                   : head[kElfMachineField + 1] << 8 | head[kElfMachineField];
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

BOOL GetBinaryTypeA(LPCSTR path, LPDWORD type) {
  const std::string host = HostPath(path);
  const int fd = open(host.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    SetErrorFromErrno(errno);
    return FALSE;
  }
  struct stat entry;
  unsigned char head[kHeadSize] = {};
  const bool runnable = fstat(fd, &entry) == 0 && S_ISREG(entry.st_mode) &&
                        access(host.c_str(), X_OK) == 0;
  const ssize_t got = runnable ? read(fd, head, sizeof head) : 0;
  close(fd);
  const auto size = static_cast<std::size_t>(got > 0 ? got : 0);
  if (size >= 2 && head[0] == '#' && head[1] == '!' &&
      InterpreterIsThere(head, size)) {
    *type = SCS_32BIT_BINARY;
    return TRUE;
  }
  if (size >= kElfMachineField + 2 && std::memcmp(head, kElfMagic, 4) == 0 &&
      (head[4] == kElfClass32 || head[4] == kElfClass64) &&
      ElfMachine(head) == OwnElfMachine()) {
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
