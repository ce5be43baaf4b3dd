// One upgrade of a product at a time, on the whole machine.
#pragma once

#include <optional>

#include "platform/owned_handle.h"
#include "shared/exit_codes.h"

// Takes the machine-wide mutex named for the product code
// ("Global\UpgradeBootstrapper-{...}") without waiting, and owns it until it
// goes, which is when the program ends. Ownership decides, not existence: a
// mutex its last owner left by being killed (WAIT_ABANDONED) is taken, so a
// rerun after a kill completes. The name is public and created with the
// default security: a local user who creates and holds it first blocks
// upgrades of the product until they let go.
// Whether the answer of a wait on the product's mutex makes it ours: it was
// free (WAIT_OBJECT_0), or its owner ended without letting go
// (WAIT_ABANDONED); not when it timed out or failed.
bool WaitMeansOwned(DWORD wait);

class ProductLock {
 public:
  ProductLock();
  ProductLock(const ProductLock&) = delete;
  ProductLock& operator=(const ProductLock&) = delete;
  ~ProductLock();

  // kExitAnotherUpgradeRuns when another process owns the mutex, or it
  // cannot be made or opened.
  std::optional<Refusal> Check() const;

 private:
  OwnedHandle mutex_;
  bool owned_ = false;
  DWORD error_ = ERROR_SUCCESS;
};
