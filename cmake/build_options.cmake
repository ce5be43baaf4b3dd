# Writes DIR/build_options.h, the options a program is built with, for the
# main.cpp of that program alone: the core library is compiled once and takes
# the options from there.
#   upgrade_build_options(DIR HELPERS_WAIT_SECONDS EXIT_CODE LOG AFTER_FAILED_UNINSTALL
#                         UNINSTALL_WAIT_SECONDS MSI_WAIT_SECONDS)
function(upgrade_build_options dir helpers_wait exit_code log after_failed_uninstall
         uninstall_wait msi_wait)
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
  # A C string literal of the path.
  string(REPLACE "\\" "\\\\" options_log "${log}")
  string(REPLACE "\"" "\\\"" options_log "${options_log}")
  configure_file("${CMAKE_SOURCE_DIR}/cmake/build_options.h.in" "${dir}/build_options.h" @ONLY)
endfunction()
