// Process calls on POSIX. A process is started from one Windows-style
// command line: the program is found as Windows finds it, and it receives the
// arguments the C runtime start-up rules give for that line. A job holds the
// processes assigned to it and all they start: this process becomes the
// reaper of its descendants' orphans, so that none leaves the tree.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/posix/drive_paths.h"
#include "platform/posix/handles.h"
#include "platform/posix/last_error.h"
#include "platform/win32_api.h"
#include "shared/command_line.h"

extern char** environ;

namespace {

// The children this process started and has not yet waited for. Any other
// child is an orphan it adopted.
std::set<pid_t> startedChildren;

bool IsRunnableFile(const std::string& hostPath) {
  struct stat entry;
  return stat(hostPath.c_str(), &entry) == 0 && S_ISREG(entry.st_mode) &&
         access(hostPath.c_str(), X_OK) == 0;
}

// The host path of the program `name` names, searched for as Windows does: a
// name without an extension gets ".exe"; a bare name is looked for in the
// running program's folder, the current folder, the system folders and the
// search path.
bool FindProgram(const std::string& name, std::string& hostPath) {
  const std::size_t lastSeparator = name.find_last_of("\\/:");
  const std::string lastPart = lastSeparator == std::string::npos
                                   ? name
                                   : name.substr(lastSeparator + 1);
  if (lastPart.empty()) return false;
  // A host program has no extension, so a name without one is also tried as
  // it stands, after the Windows form.
  std::vector<std::string> names = {name};
  if (lastPart.find('.') == std::string::npos)
    names.insert(names.begin(), name + ".exe");
  std::vector<std::string> folders;
  if (lastSeparator == std::string::npos) {
    const std::string own = OwnHostPath();
    folders = {own.substr(0, own.find_last_of('/')), "."};
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    folders.push_back(HostPath(system));
    folders.push_back(HostPath("C:\\Windows"));
    if (const char* searchPath = std::getenv("PATH")) {
      std::string rest = searchPath;
      for (std::size_t colon; (colon = rest.find(':')) != std::string::npos;
           rest.erase(0, colon + 1)) {
        folders.push_back(rest.substr(0, colon));
      }
      folders.push_back(rest);
    }
  }
  for (const std::string& candidate : names) {
    if (folders.empty()) {
      hostPath = HostPath(candidate);
      if (IsRunnableFile(hostPath)) return true;
    }
    for (const std::string& folder : folders) {
      hostPath = (folder.empty() ? std::string(".") : folder) + "/" + candidate;
      if (IsRunnableFile(hostPath)) return true;
    }
  }
  return false;
}

// Without an application name, a quoted first token names the program;
// otherwise each blank-separated prefix of the line is tried in turn.
bool FindProgramOfLine(const std::string& line, std::string& hostPath) {
  if (!line.empty() && line[0] == '"') {
    const std::size_t close = line.find('"', 1);
    return FindProgram(
        line.substr(1,
                    close == std::string::npos ? std::string::npos : close - 1),
        hostPath);
  }
  for (std::size_t end = 0; end <= line.size(); ++end) {
    if (end == line.size() || line[end] == ' ' || line[end] == '\t') {
      if (end > 0 && FindProgram(line.substr(0, end), hostPath)) return true;
      if (end < line.size() && line[end] == '\t') return false;
    }
  }
  return false;
}

// Starts `program` held before it is loaded: the child waits for a byte on a
// pipe whose other end `resumeFd` receives, then loads its program. Returns
// the child's pid, or -1 with errno set.
pid_t StartSuspended(const std::string& program, char* const argv[],
                     int& resumeFd) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    close(ends[1]);
    char go = 0;
    ssize_t got;
    while ((got = read(ends[0], &go, 1)) < 0 && errno == EINTR) {
    }
    if (got != 1) _exit(1);
    closefrom(3);
    execve(program.c_str(), argv, environ);
    _exit(127);
  }
  const int error = errno;
  close(ends[0]);
  if (pid < 0) {
    close(ends[1]);
    errno = error;
    return -1;
  }
  resumeFd = ends[1];
  return pid;
}

// Looks whether `process` ended, waiting for that when `block`, and keeps
// its exit code. A signal gives 128 plus its number.
void Reap(ProcessHandle& process, bool block) {
  while (!process.ended) {
    int status = 0;
    const pid_t got = waitpid(process.pid, &status, block ? 0 : WNOHANG);
    if (got == 0) return;
    if (got == process.pid && WIFEXITED(status)) {
      process.exitCode = static_cast<DWORD>(WEXITSTATUS(status));
    } else if (got == process.pid && WIFSIGNALED(status)) {
      process.exitCode = 128u + static_cast<DWORD>(WTERMSIG(status));
    } else if (got == process.pid || errno == EINTR) {
      continue;
    }
    process.ended = true;
    startedChildren.erase(process.pid);
  }
}

ProcessHandle* AsProcess(HANDLE handle) {
  return HandleAs<ProcessHandle>(handle, PosixHandle::Kind::Process);
}

JobHandle* AsJob(HANDLE handle) {
  return HandleAs<JobHandle>(handle, PosixHandle::Kind::Job);
}

struct ProcessEntry {
  pid_t parent;
  bool zombie;
};

// Every process this one can see, with its parent, from /proc.
std::map<pid_t, ProcessEntry> ListProcesses() {
  std::map<pid_t, ProcessEntry> all;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return all;
  while (const dirent* entry = readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (pid <= 0 || *end != '\0') continue;
    char stat[512] = {};
    const std::string path = std::string("/proc/") + entry->d_name + "/stat";
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    const ssize_t got = read(fd, stat, sizeof stat - 1);
    close(fd);
    // "pid (name) state parent ...": the name may hold blanks and ")".
    const char* close = got > 0 ? std::strrchr(stat, ')') : nullptr;
    char state = 0;
    int parent = 0;
    if (close == nullptr ||
        std::sscanf(close + 1, " %c %d", &state, &parent) != 2)
      continue;
    all[static_cast<pid_t>(pid)] = {parent, state == 'Z' || state == 'X'};
  }
  closedir(proc);
  return all;
}

// Whether `pid` belongs to `job`: it or an ancestor was assigned, or it
// descends from an orphan this process adopted.
bool InJob(const JobHandle& job, pid_t pid,
           const std::map<pid_t, ProcessEntry>& all) {
  const pid_t self = getpid();
  for (std::size_t step = 0; step <= all.size(); ++step) {
    if (job.assigned.count(pid) != 0) return true;
    const auto found = all.find(pid);
    if (found == all.end()) return false;
    const pid_t parent = found->second.parent;
    if (parent == self) return startedChildren.count(pid) == 0;
    if (parent <= 1) return false;
    pid = parent;
  }
  return false;
}

// The live processes of `job`; reaps the adopted orphans that ended.
DWORD CountJobProcesses(const JobHandle& job) {
  const std::map<pid_t, ProcessEntry> all = ListProcesses();
  DWORD count = 0;
  for (const auto& [pid, entry] : all) {
    if (entry.zombie && entry.parent == getpid() &&
        startedChildren.count(pid) == 0) {
      waitpid(pid, nullptr, WNOHANG);
    } else if (!entry.zombie && InJob(job, pid, all)) {
      ++count;
    }
  }
  return count;
}

}  // namespace

// Only the system's own search for a bare program name, as process creation
// makes it: `path` null, `extension` ignored.
DWORD SearchPathA(LPCSTR, LPCSTR fileName, LPCSTR, DWORD size, LPSTR buffer,
                  LPSTR* filePart) {
  std::string host;
  if (!FindProgram(fileName, host)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  std::vector<char> absolute(4096);
  if (host[0] != '/' && getcwd(absolute.data(), absolute.size()) != nullptr) {
    host = std::string(absolute.data()) + "/" + host;
  }
  const std::string found = DrivePath(host);
  if (found.size() + 1 > size) return static_cast<DWORD>(found.size() + 1);
  std::memcpy(buffer, found.c_str(), found.size() + 1);
  if (filePart != nullptr) *filePart = buffer + found.find_last_of('\\') + 1;
  return static_cast<DWORD>(found.size());
}

// Of the creation flags only CREATE_SUSPENDED counts. A suspended process
// is held before its program is loaded, so a program that cannot be loaded
// ends with 127 once resumed instead of failing the start.
BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine,
                    SECURITY_ATTRIBUTES*, SECURITY_ATTRIBUTES*, BOOL,
                    DWORD creationFlags, LPVOID, LPCSTR, STARTUPINFOA*,
                    PROCESS_INFORMATION* processInformation) {
  const std::string line = commandLine != nullptr ? commandLine : "";
  std::string program;
  if (applicationName != nullptr) {
    program = HostPath(applicationName);
    if (!IsRunnableFile(program)) {
      // A file there that may not be run is refused, as Windows refuses
      // one its access rights do not let run; nothing there is not found.
      struct stat entry;
      SetLastError(stat(program.c_str(), &entry) == 0 && S_ISREG(entry.st_mode)
                       ? ERROR_ACCESS_DENIED
                       : ERROR_FILE_NOT_FOUND);
      return FALSE;
    }
  } else if (!FindProgramOfLine(line, program)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }

  std::vector<std::string> arguments =
      SplitCommandLine(line.c_str(), applicationName, NoLeadBytes);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  // Only the standard streams pass to the child, as no handle is inherited.
  pid_t pid = 0;
  int resumeFd = -1;
  int error = 0;
  if ((creationFlags & CREATE_SUSPENDED) != 0) {
    pid = StartSuspended(program, argv.data(), resumeFd);
    error = pid < 0 ? errno : 0;
  } else {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(),
                        environ);
    posix_spawn_file_actions_destroy(&actions);
  }
  if (error != 0) {
    SetErrorFromErrno(error);
    return FALSE;
  }
  startedChildren.insert(pid);
  processInformation->hProcess = new ProcessHandle(pid);
  processInformation->hThread = new ThreadHandle(resumeFd);
  processInformation->dwProcessId = static_cast<DWORD>(pid);
  processInformation->dwThreadId = 0;
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  auto* object = static_cast<PosixHandle*>(handle);
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE &&
      object->kind == PosixHandle::Kind::Mutex) {
    return WaitForMutex(*static_cast<MutexHandle*>(object), milliseconds);
  }
  ProcessHandle* process = AsProcess(handle);
  if (process == nullptr) return WAIT_FAILED;
  const DWORD start = GetTickCount();
  for (;;) {
    Reap(*process, milliseconds == INFINITE);
    if (process->ended) return WAIT_OBJECT_0;
    if (GetTickCount() - start >= milliseconds) return WAIT_TIMEOUT;
    Sleep(10);
  }
}

BOOL GetExitCodeProcess(HANDLE handle, LPDWORD exitCode) {
  ProcessHandle* process = AsProcess(handle);
  if (process == nullptr) return FALSE;
  Reap(*process, false);
  *exitCode = process->exitCode;
  return TRUE;
}

BOOL TerminateProcess(HANDLE handle, UINT exitCode) {
  ProcessHandle* process = AsProcess(handle);
  if (process == nullptr) return FALSE;
  Reap(*process, false);
  if (process->ended) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  kill(process->pid, SIGKILL);
  Reap(*process, true);
  process->exitCode = exitCode;
  return TRUE;
}

// Returns the thread's suspend count before the call: 1 for a suspended
// start, 0 for a running one.
DWORD ResumeThread(HANDLE handle) {
  auto* thread = HandleAs<ThreadHandle>(handle, PosixHandle::Kind::Thread);
  if (thread == nullptr) return static_cast<DWORD>(-1);
  if (thread->resumeFd < 0) return 0;
  // A child that died while suspended closed its end: the write then fails
  // with EPIPE, which must not end this process by its signal.
  signal(SIGPIPE, SIG_IGN);
  const char go = 1;
  const bool sent = write(thread->resumeFd, &go, 1) == 1;
  close(thread->resumeFd);
  thread->resumeFd = -1;
  if (!sent) {
    SetErrorFromErrno(errno);
    return static_cast<DWORD>(-1);
  }
  return 1;
}

void Sleep(DWORD milliseconds) {
  timespec left = {static_cast<time_t>(milliseconds / 1000),
                   static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

DWORD GetTickCount() {
  timespec now = {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<DWORD>(
      static_cast<unsigned long long>(now.tv_sec) * 1000u +
      static_cast<unsigned long long>(now.tv_nsec) / 1000000u);
}

HANDLE CreateJobObjectA(SECURITY_ATTRIBUTES*, LPCSTR) {
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  return new JobHandle;
}

// Only the extended limits, whose flags are all accepted and change nothing:
// no process can break away from the job, and closing it ends none.
BOOL SetInformationJobObject(HANDLE handle, JOBOBJECTINFOCLASS infoClass,
                             LPVOID info, DWORD size) {
  if (infoClass != JobObjectExtendedLimitInformation ||
      size != sizeof(JOBOBJECT_EXTENDED_LIMIT_INFORMATION) || info == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return AsJob(handle) != nullptr ? TRUE : FALSE;
}

BOOL AssignProcessToJobObject(HANDLE jobHandle, HANDLE processHandle) {
  JobHandle* job = AsJob(jobHandle);
  ProcessHandle* process = job != nullptr ? AsProcess(processHandle) : nullptr;
  if (process == nullptr) return FALSE;
  Reap(*process, false);
  if (process->ended) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  job->assigned.insert(process->pid);
  return TRUE;
}

// Kills every process of the job, looking again (for at most a second)
// while a look finds one, as one may have started another meanwhile.
BOOL TerminateJobObject(HANDLE handle, UINT) {
  const JobHandle* job = AsJob(handle);
  if (job == nullptr) return FALSE;
  for (int look = 0; look < 100; ++look) {
    bool found = false;
    const std::map<pid_t, ProcessEntry> all = ListProcesses();
    for (const auto& [pid, entry] : all) {
      if (!entry.zombie && InJob(*job, pid, all) && kill(pid, SIGKILL) == 0) {
        found = true;
      }
    }
    if (!found) break;
    Sleep(10);
  }
  return TRUE;
}

// Only the active-process count of the accounting information. A count of 0
// is looked at twice: a parent may be reaped between the looks at it and its
// child, whose orphan this process adopts by the second look.
BOOL QueryInformationJobObject(HANDLE handle, JOBOBJECTINFOCLASS infoClass,
                               LPVOID info, DWORD size, LPDWORD returned) {
  if (infoClass != JobObjectBasicAccountingInformation ||
      size < sizeof(JOBOBJECT_BASIC_ACCOUNTING_INFORMATION) ||
      info == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const JobHandle* job = AsJob(handle);
  if (job == nullptr) return FALSE;
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
  accounting.ActiveProcesses = CountJobProcesses(*job);
  if (accounting.ActiveProcesses == 0) {
    accounting.ActiveProcesses = CountJobProcesses(*job);
  }
  std::memcpy(info, &accounting, sizeof accounting);
  if (returned != nullptr) *returned = sizeof accounting;
  return TRUE;
}
