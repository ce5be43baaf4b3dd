// The product's registrations for Add or Remove Programs, as installer
// engines of this family make them: a key named by the product code, or
// "InstallShield_" and the product code for those built on Windows
// Installer, under SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall in
// HKEY_LOCAL_MACHINE, in the 32-bit view. An uninstall that worked removed
// it; one still there after the uninstall ended says that it did not.
#pragma once

#include <string>
#include <vector>

#include "platform/win32_api.h"

// What a look at one registration found: nothing, a key, or an error that
// kept the system from saying (`error`).
struct RegistrationLook {
  enum class State { Absent, Present, Unreadable };
  State state = State::Absent;
  DWORD error = ERROR_SUCCESS;
};

// The product's registration keys, as paths below HKEY_LOCAL_MACHINE:
// "SOFTWARE\...\Uninstall\{code}" and
// "SOFTWARE\...\Uninstall\InstallShield_{code}".
std::vector<std::string> ProductRegistrationKeys();

// Looks for the key `key` below HKEY_LOCAL_MACHINE in the 32-bit view, for
// reading: Present when it opens, Absent when the system finds none,
// Unreadable with the system's error otherwise.
RegistrationLook LookUpRegistration(const std::string& key) noexcept;

// What an uninstall did to a registration, from a look before it and one
// after it (and its helpers) ended.
enum class RegistrationVerdict {
  NothingToJudge,  // none was there before: the product does not use it
  Removed,         // there before (or unreadable then), gone after
  Left,            // there after the uninstall
  CannotTell,      // there before (or unreadable then), unreadable after
};
RegistrationVerdict JudgeRegistration(RegistrationLook before,
                                      RegistrationLook after);

// The log's text of what the looks at `key` found: "the registration
// HKLM\KEY (32-bit view) was there before and is gone", "... and stayed",
// "... and could not be read after the uninstall: error 5"; empty when none
// was there before.
std::string RegistrationText(const std::string& key,
                             const RegistrationLook& before,
                             const RegistrationLook& after);
