# Writes DIR/build_options.h, the options a program is built with, for the
# main.cpp of that program alone: the core library is compiled once and takes
# the options from there.
#   upgrade_build_options(DIR HELPERS_WAIT_SECONDS EXIT_CODE LOG AFTER_FAILED_UNINSTALL
#                         UNINSTALL_WAIT_SECONDS MSI_WAIT_SECONDS LOG_FORMAT)
# In LOG, "<product code>" stands for UPGRADE_PRODUCT_CODE ("<" and ">" are
# never part of a Windows name, so the stand-in cannot be meant otherwise).
function(upgrade_build_options dir helpers_wait exit_code log after_failed_uninstall
         uninstall_wait msi_wait log_format)
  set(options_helpers_wait "${helpers_wait}")
  set(options_uninstall_wait "${uninstall_wait}")
  set(options_msi_wait "${msi_wait}")
  if(exit_code STREQUAL "installer")
    set(options_exit_code Installer)
  else()
    set(options_exit_code Classic)
  endif()
  if(after_failed_uninstall STREQUAL "keep")
    set(options_after_failed_uninstall Keep)
  else()
    set(options_after_failed_uninstall Wipe)
  endif()
  if(log_format STREQUAL "cmtrace")
    set(options_log_format CMTrace)
  else()
    set(options_log_format Plain)
  endif()
  # A C string literal of the path.
  string(REPLACE "<product code>" "${UPGRADE_PRODUCT_CODE}" options_log "${log}")
  string(REPLACE "\\" "\\\\" options_log "${options_log}")
  string(REPLACE "\"" "\\\"" options_log "${options_log}")
  configure_file("${CMAKE_SOURCE_DIR}/cmake/build_options.h.in" "${dir}/build_options.h" @ONLY)
endfunction()
