// What kind of program a file is, and what processor this machine has, on
// POSIX: an executable ELF file is a program of its class, and an executable
// script one that any processor runs, as a 32-bit Windows program is.
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

}  // namespace

BOOL GetBinaryTypeA(LPCSTR path, LPDWORD type) {
  const std::string host = HostPath(path);
  const int fd = open(host.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    SetErrorFromErrno(errno);
    return FALSE;
  }
  struct stat entry;
  unsigned char head[5] = {};
  const bool runnable = fstat(fd, &entry) == 0 && S_ISREG(entry.st_mode) &&
                        access(host.c_str(), X_OK) == 0;
  const ssize_t got = runnable ? read(fd, head, sizeof head) : 0;
  close(fd);
  if (got >= 2 && head[0] == '#' && head[1] == '!') {
    *type = SCS_32BIT_BINARY;
    return TRUE;
  }
  if (got == sizeof head && std::memcmp(head, kElfMagic, 4) == 0 &&
      (head[4] == kElfClass32 || head[4] == kElfClass64)) {
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
