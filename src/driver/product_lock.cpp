#include "driver/product_lock.h"

#include "platform/win32_api.h"
#include "product_code.h"
#include "shared/exit_codes.h"

namespace {

const char kMutexName[] = "Global\\UpgradeBootstrapper-" UPGRADE_PRODUCT_CODE;

}  // namespace

bool WaitMeansOwned(DWORD wait) {
  return wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

ProductLock::ProductLock() : mutex_(CreateMutexA(nullptr, FALSE, kMutexName)) {
  const DWORD wait =
      mutex_.valid() ? WaitForSingleObject(mutex_.get(), 0) : WAIT_FAILED;
  owned_ = WaitMeansOwned(wait);
  if (wait == WAIT_FAILED) error_ = GetLastError();
}

ProductLock::~ProductLock() {
  if (owned_) ReleaseMutex(mutex_.get());
}

std::optional<Refusal> ProductLock::Check() const {
  if (owned_) return std::nullopt;
  return Refusal{kExitAnotherUpgradeRuns,
                 "another upgrade of this product is running, or its mutex "
                 "cannot be had",
                 error_};
}
