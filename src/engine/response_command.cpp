#include "engine/response_command.h"

LaunchCommand ResponseFileCommand(const std::string& folder,
                                  const char* program, const char* switches,
                                  const char* responseFile) {
  LaunchCommand command;
  command.program = folder + "\\" + program;
  command.line =
      command.program + switches + "\"" + folder + "\\" + responseFile + "\"";
  return command;
}
