// The thread's last error, as Windows keeps it.
#include "platform/posix/last_error.h"

#include <errno.h>

#include "platform/win32_api.h"

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

}  // namespace

DWORD GetLastError() { return lastError; }

void SetLastError(DWORD error) { lastError = error; }

void SetErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
      SetLastError(ERROR_FILE_NOT_FOUND);
      break;
    case ENOTDIR:
      SetLastError(ERROR_PATH_NOT_FOUND);
      break;
    case EEXIST:
      SetLastError(ERROR_FILE_EXISTS);
      break;
    case ENOTEMPTY:
      SetLastError(ERROR_DIR_NOT_EMPTY);
      break;
    case ENAMETOOLONG:
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      break;
    case ENOMEM:
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      break;
    default:
      SetLastError(ERROR_ACCESS_DENIED);
  }
}
