#include "launch/run_text.h"

std::string RunOutcomeText(const char* name, const ProgramRun& run) {
  const std::string program = name;
  if (run.startError != ERROR_SUCCESS) {
    return program + " could not be started: error " +
           std::to_string(run.startError);
  }
  if (run.waitError != ERROR_SUCCESS) {
    return program + " was started, but the wait for its end failed: error " +
           std::to_string(run.waitError);
  }
  if (!run.exitCode) return program + " ended; its exit code is unknown";
  return program + " ended with exit code " + std::to_string(*run.exitCode);
}

std::string HelpersWaitText(const HelpersRun& run, unsigned seconds) {
  switch (run.helpers) {
    case HelpersRun::Wait::Off:
      return "the processes it started were not waited for (bound 0 s)";
    case HelpersRun::Wait::Untracked:
      return "the processes it started could not be followed; it alone was "
             "waited for";
    case HelpersRun::Wait::AllGone:
      return "every process it started had ended after " +
             std::to_string(run.helpersMs) + " ms";
    case HelpersRun::Wait::BoundReached:
      break;
  }
  return std::to_string(run.helpersLeft) +
         " processes it started still ran when the bound of " +
         std::to_string(seconds) + " s was reached; they are left running";
}
