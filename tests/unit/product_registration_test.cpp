#include "engine/product_registration.h"

#include <gtest/gtest.h>

#include <string>

#include "product_code.h"

namespace {

using State = RegistrationLook::State;

RegistrationLook Look(State state, DWORD error = ERROR_SUCCESS) {
  RegistrationLook look;
  look.state = state;
  look.error = error;
  return look;
}

// A registration that was not there before says nothing of the uninstall;
// one that was is removed only when the look after finds it gone.
TEST(ProductRegistration, JudgedByTheLooksBeforeAndAfterTheUninstall) {
  const struct {
    State before;
    State after;
    RegistrationVerdict verdict;
  } cases[] = {
      {State::Absent, State::Absent, RegistrationVerdict::NothingToJudge},
      {State::Absent, State::Present, RegistrationVerdict::NothingToJudge},
      {State::Absent, State::Unreadable, RegistrationVerdict::NothingToJudge},
      {State::Present, State::Absent, RegistrationVerdict::Removed},
      {State::Present, State::Present, RegistrationVerdict::Left},
      {State::Present, State::Unreadable, RegistrationVerdict::CannotTell},
      {State::Unreadable, State::Absent, RegistrationVerdict::Removed},
      {State::Unreadable, State::Present, RegistrationVerdict::Left},
      {State::Unreadable, State::Unreadable, RegistrationVerdict::CannotTell},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(JudgeRegistration(Look(c.before), Look(c.after)), c.verdict)
        << "before " << static_cast<int>(c.before) << ", after "
        << static_cast<int>(c.after);
  }
  EXPECT_EQ(RegistrationText("K", Look(State::Present),
                             Look(State::Unreadable, ERROR_ACCESS_DENIED)),
            "the registration HKLM\\K (32-bit view) was there before and "
            "could not be read after the uninstall: error 5");
  EXPECT_EQ(RegistrationText("K", Look(State::Absent), Look(State::Present)),
            "");
}

// Both keys under the product code, looked up in the 32-bit view: made with
// KEY_WOW64_32KEY, each is found; deleted, it is not.
TEST(ProductRegistration, LooksUpEachKeyOfTheProductCode) {
  const auto keys = ProductRegistrationKeys();
  ASSERT_EQ(keys.size(), 2u);
  const std::string uninstall =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  EXPECT_EQ(keys[0], uninstall + UPGRADE_PRODUCT_CODE);
  EXPECT_EQ(keys[1], uninstall + "InstallShield_" + UPGRADE_PRODUCT_CODE);
  for (const std::string& key : keys) {
    HKEY made = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_WRITE | KEY_WOW64_32KEY,
                        nullptr, &made, nullptr),
        ERROR_SUCCESS)
        << "RegCreateKeyExA(" << key << ")";
    RegCloseKey(made);
    EXPECT_EQ(LookUpRegistration(key).state, State::Present) << key;
    EXPECT_EQ(
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WOW64_32KEY, 0),
        ERROR_SUCCESS)
        << "RegDeleteKeyExA(" << key << ")";
    EXPECT_EQ(LookUpRegistration(key).state, State::Absent) << key;
  }
}

}  // namespace
