// The upgrade bootstrapper: removes the installed version of the product and
// starts the installer of the new one lying beside this program. Shows
// nothing and reads no settings: what it was built with is in build_options.h.
// It exits 0 whenever the upgrade has run, or as built to, with the
// installer's own exit code; the other exit codes are in shared/exit_codes.h.
#include "build_options.h"
#include "driver/abnormal_end.h"
#include "driver/product_lock.h"
#include "driver/upgrade_sequence.h"
#include "engine/install_locations.h"
#include "launch/pe_image.h"
#include "log/upgrade_log.h"
#include "shared/exit_codes.h"

// The marker that names every build of this program as this program, in a
// section of its own name, so that a build of it found as the installer is
// never started (another build, or one signed or changed since).
[[gnu::section(UPGRADE_MARKER_SECTION),
  gnu::used]] const char kThisProgramMarker[] = "upgrade bootstrapper";

int main(int argc, char**) {
  InstallAbnormalEnding();
  const UpgradeLog log = OpenUpgradeLog(kBuildOptions.logPath, kLogFormat);
  // Taken before the information folder is looked at, held until the end.
  const ProductLock lock;
  const RunContext run = FindRunContext(DetectLayout(), argc);
  const int exitCode = RunUpgrade(run, lock, kBuildOptions, log);
  // As the system hands it on: an unsigned number, never a negative one.
  LogEvent(
      log,
      IsSuccessCode(exitCode) ? LogSeverity::Information : LogSeverity::Failure,
      [&] {
        return "exit code " + std::to_string(static_cast<unsigned>(exitCode));
      });
  return exitCode;
}
