// The upgrade bootstrapper: removes the installed version of the product and
// starts the installer of the new one lying beside this program. Shows
// nothing, reads no settings, and exits 0 whenever the upgrade has run; the
// other exit codes are in driver/exit_codes.h.
#include "build_options.h"
#include "driver/abnormal_end.h"
#include "driver/exit_codes.h"
#include "driver/install_locations.h"
#include "driver/upgrade_sequence.h"

int main(int argc, char**) {
  InstallAbnormalEnding();
  const int placement = CheckOwnPlacement();
  if (placement != kExitUpgradeRan) return placement;
  const InstallLayout layout = DetectLayout();
  const InstallMode mode = ModeForArgumentCount(CountProgramArguments(argc));
  return RunUpgrade(layout, mode, kBuildOptions);
}
