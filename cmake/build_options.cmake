# Writes DIR/build_options.h, the options a program is built with, for the
# main.cpp of that program alone: the core library is compiled once and takes
# the options from there.
#   upgrade_build_options(DIR HELPERS_WAIT_SECONDS EXIT_CODE LOG)
function(upgrade_build_options dir helpers_wait exit_code log)
  set(options_helpers_wait "${helpers_wait}")
  if(exit_code STREQUAL "installer")
    set(options_exit_code Installer)
  else()
    set(options_exit_code Classic)
  endif()
  # A C string literal of the path.
  string(REPLACE "\\" "\\\\" options_log "${log}")
  string(REPLACE "\"" "\\\"" options_log "${options_log}")
  configure_file("${CMAKE_SOURCE_DIR}/cmake/build_options.h.in" "${dir}/build_options.h" @ONLY)
endfunction()
