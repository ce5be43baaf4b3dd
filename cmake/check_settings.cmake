# Checks the build-time settings a release engineer gives, and stops with a
# message naming the bad value and what is expected.
#
# Also runs on its own, as the configure check's test does:
#   cmake -DUPGRADE_PRODUCT_CODE=... -DUPGRADE_ICON=... -P check_settings.cmake
function(upgrade_check_settings)
  string(REPEAT "[0-9A-F]" 4 hex4)
  string(REPEAT "[0-9A-F]" 8 hex8)
  string(REPEAT "[0-9A-F]" 12 hex12)
  set(guid_form "^{${hex8}-${hex4}-${hex4}-${hex4}-${hex12}}$")
  if(NOT UPGRADE_PRODUCT_CODE MATCHES "${guid_form}")
    message(FATAL_ERROR
      "UPGRADE_PRODUCT_CODE is \"${UPGRADE_PRODUCT_CODE}\", which is not a product code. "
      "Expected form: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, 38 characters, where each X "
      "is an upper-case hexadecimal digit (0-9, A-F), braces included.")
  endif()
  if(DEFINED UPGRADE_EXECUTION_LEVEL AND
     NOT UPGRADE_EXECUTION_LEVEL MATCHES "^(none|requireAdministrator|asInvoker)$")
    message(FATAL_ERROR "UPGRADE_EXECUTION_LEVEL is \"${UPGRADE_EXECUTION_LEVEL}\". "
      "Expected none (no manifest), requireAdministrator or asInvoker.")
  endif()
  if(DEFINED UPGRADE_HELPERS_WAIT_SECONDS AND
     (NOT UPGRADE_HELPERS_WAIT_SECONDS MATCHES "^(0|[1-9][0-9]?[0-9]?[0-9]?[0-9]?)$" OR
      UPGRADE_HELPERS_WAIT_SECONDS GREATER 86400))
    message(FATAL_ERROR "UPGRADE_HELPERS_WAIT_SECONDS is \"${UPGRADE_HELPERS_WAIT_SECONDS}\". "
      "Expected a whole number of seconds from 0 to 86400; 0 waits for the uninstaller alone.")
  endif()
  foreach(wait IN ITEMS UNINSTALL MSI)
    set(value "${UPGRADE_${wait}_WAIT_SECONDS}")
    if(DEFINED UPGRADE_${wait}_WAIT_SECONDS AND
       (NOT value MATCHES "^(0|[1-9][0-9]?[0-9]?[0-9]?[0-9]?)$" OR value GREATER 86400))
      message(FATAL_ERROR "UPGRADE_${wait}_WAIT_SECONDS is \"${value}\". "
        "Expected a whole number of seconds from 0 to 86400; 0 sets no bound (UNINSTALL) "
        "or does not look (MSI).")
    endif()
  endforeach()
  if(DEFINED UPGRADE_EXIT_CODE AND NOT UPGRADE_EXIT_CODE MATCHES "^(classic|installer)$")
    message(FATAL_ERROR "UPGRADE_EXIT_CODE is \"${UPGRADE_EXIT_CODE}\". "
      "Expected classic (0 whenever the upgrade ran) or installer (the installer's own exit code).")
  endif()
  if(DEFINED UPGRADE_AFTER_FAILED_UNINSTALL AND
     NOT UPGRADE_AFTER_FAILED_UNINSTALL MATCHES "^(wipe|keep)$")
    message(FATAL_ERROR "UPGRADE_AFTER_FAILED_UNINSTALL is \"${UPGRADE_AFTER_FAILED_UNINSTALL}\". "
      "Expected wipe (delete the information folder and install whatever the uninstaller "
      "reported) or keep (stop with 1603 when its setup.log holds a ResultCode below 0).")
  endif()
  if(UPGRADE_LOG AND NOT UPGRADE_LOG MATCHES "^([A-Za-z]:\\\\|%[A-Za-z0-9_()]+%)")
    message(FATAL_ERROR "UPGRADE_LOG is \"${UPGRADE_LOG}\", which is neither a drive path "
      "nor a path that starts with an environment reference. Expected, for example, "
      "C:\\Logs\\upgrade.log or %SystemRoot%\\Temp\\upgrade.log; empty for no log.")
  endif()
  string(REPLACE "<product code>" "" log_without_code "${UPGRADE_LOG}")
  if(log_without_code MATCHES "[<>]")
    message(FATAL_ERROR "UPGRADE_LOG is \"${UPGRADE_LOG}\", which holds a \"<\" or \">\" "
      "that Windows refuses in a name. Only <product code> may stand in it, for the "
      "product code.")
  endif()
  if(DEFINED UPGRADE_LOG_FORMAT AND NOT UPGRADE_LOG_FORMAT MATCHES "^(plain|cmtrace)$")
    message(FATAL_ERROR "UPGRADE_LOG_FORMAT is \"${UPGRADE_LOG_FORMAT}\". "
      "Expected plain (time, process id and text on each line) or cmtrace (one record "
      "a line, as CMTrace and OneTrace read them).")
  endif()
  if(UPGRADE_SIGN_CERT AND NOT EXISTS "${UPGRADE_SIGN_CERT}")
    message(FATAL_ERROR "UPGRADE_SIGN_CERT is \"${UPGRADE_SIGN_CERT}\", but no file is there.")
  endif()
  if(NOT EXISTS "${UPGRADE_ICON}" OR IS_DIRECTORY "${UPGRADE_ICON}")
    message(FATAL_ERROR "UPGRADE_ICON is \"${UPGRADE_ICON}\", but no icon file is there. "
      "Set UPGRADE_ICON to the full path of an .ico file.")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  upgrade_check_settings()
  message(STATUS "settings accepted")
endif()
