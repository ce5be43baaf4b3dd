# Warnings on and kept at zero in every target of ours (not in GoogleTest's).
add_library(upgrade_warnings INTERFACE)
target_compile_options(upgrade_warnings INTERFACE -Wall -Wextra -Werror)
