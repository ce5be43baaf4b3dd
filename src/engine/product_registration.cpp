#include "engine/product_registration.h"

#include "product_code.h"

namespace {

const char kUninstallKeys[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
// The prefix of the key of a product built on Windows Installer.
const char kInstallShieldPrefix[] = "InstallShield_";

}  // namespace

std::vector<std::string> ProductRegistrationKeys() {
  const std::string folder = kUninstallKeys;
  return {folder + UPGRADE_PRODUCT_CODE,
          folder + kInstallShieldPrefix + UPGRADE_PRODUCT_CODE};
}

RegistrationLook LookUpRegistration(const std::string& key) noexcept {
  RegistrationLook look;
  HKEY opened = nullptr;
  const LONG error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0,
                                   KEY_READ | KEY_WOW64_32KEY, &opened);
  if (error == ERROR_SUCCESS) {
    RegCloseKey(opened);
    look.state = RegistrationLook::State::Present;
  } else if (error != ERROR_FILE_NOT_FOUND) {
    look.state = RegistrationLook::State::Unreadable;
    look.error = static_cast<DWORD>(error);
  }
  return look;
}

RegistrationVerdict JudgeRegistration(RegistrationLook before,
                                      RegistrationLook after) {
  using State = RegistrationLook::State;
  if (before.state == State::Absent) return RegistrationVerdict::NothingToJudge;
  switch (after.state) {
    case State::Absent:
      return RegistrationVerdict::Removed;
    case State::Present:
      return RegistrationVerdict::Left;
    case State::Unreadable:
      break;
  }
  return RegistrationVerdict::CannotTell;
}

std::string RegistrationText(const std::string& key,
                             const RegistrationLook& before,
                             const RegistrationLook& after) {
  using State = RegistrationLook::State;
  if (before.state == State::Absent) return std::string();
  const std::string named =
      "the registration HKLM\\" + key + " (32-bit view) " +
      (before.state == State::Present ? std::string("was there before")
                                      : "could not be read before (error " +
                                            std::to_string(before.error) + ")");
  switch (after.state) {
    case State::Absent:
      return named + " and is gone";
    case State::Present:
      return named + " and stayed";
    case State::Unreadable:
      break;
  }
  return named + " and could not be read after the uninstall: error " +
         std::to_string(after.error);
}
