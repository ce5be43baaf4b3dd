# shellcheck shell=bash
# Sourced by the scripts that set up an installed version: where the
# installer engine keeps its information folder for a product.
#   info_folder_win LAYOUT CODE        C:\Program Files[ (x86)]\...\CODE
#   info_folder_host DRIVE_C LAYOUT CODE   the same under the host folder
#                                          standing for drive C:
# LAYOUT is 64 for a 64-bit Windows ("Program Files (x86)"), else 32.

info_folder_win() {
  local programs="Program Files"
  [ "$1" = 64 ] && programs="Program Files (x86)"
  printf '%s\n' "C:\\$programs\\InstallShield Installation Information\\$2"
}

info_folder_host() {
  local win
  win=$(info_folder_win "$2" "$3")
  win=${win#C:\\}
  echo "$1/${win//\\//}"
}
