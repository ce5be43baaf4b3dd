// Process calls on POSIX. A process is started from one Windows-style
// command line: the program is found as Windows finds it, and it receives the
// arguments the C runtime start-up rules give for that line.
#include <errno.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/drive_paths.h"
#include "platform/posix/handles.h"
#include "platform/posix/last_error.h"
#include "platform/win32_api.h"
#include "shared/command_line.h"

extern char** environ;

namespace {

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

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine,
                    SECURITY_ATTRIBUTES*, SECURITY_ATTRIBUTES*, BOOL, DWORD,
                    LPVOID, LPCSTR, STARTUPINFOA*,
                    PROCESS_INFORMATION* processInformation) {
  const std::string line = commandLine != nullptr ? commandLine : "";
  std::string program;
  if (applicationName != nullptr) {
    program = HostPath(applicationName);
    if (!IsRunnableFile(program)) {
      SetLastError(ERROR_FILE_NOT_FOUND);
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
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr,
                                argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    SetErrorFromErrno(error);
    return FALSE;
  }
  processInformation->hProcess = new ProcessHandle(pid);
  processInformation->hThread = nullptr;
  processInformation->dwProcessId = static_cast<DWORD>(pid);
  processInformation->dwThreadId = 0;
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD) {
  auto* object = static_cast<PosixHandle*>(handle);
  if (handle == nullptr || object->kind != PosixHandle::Kind::Process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0xFFFFFFFFu;
  }
  auto* process = static_cast<ProcessHandle*>(object);
  while (!process->ended) {
    int status = 0;
    if (waitpid(process->pid, &status, 0) == process->pid) {
      process->ended = WIFEXITED(status) || WIFSIGNALED(status);
    } else if (errno != EINTR) {
      process->ended = true;
    }
  }
  return 0;
}
