// The thread's last error in the POSIX stand-ins.
#pragma once

// Sets the last error to the Windows code nearest to the errno value `error`.
void SetErrorFromErrno(int error);
