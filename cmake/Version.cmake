# The version record: the values the programs report about themselves. Every version number
# (programs, package, man pages) comes from project(VERSION) in the top-level CMakeLists.txt.
set(TOLVANE_VERSION "${PROJECT_VERSION}")
set(TOLVANE_FILE_VERSION "${PROJECT_VERSION}")
set(TOLVANE_INTERNAL_NAME "Tolvane")
set(TOLVANE_PRODUCT_NAME "Tolvane")
set(TOLVANE_FILE_DESCRIPTION "Tolvane: brings a target folder tree up to date from a source folder tree")
set(TOLVANE_RELEASE_TEXT "Tolvane ${PROJECT_VERSION}")
# The licence, as the GNU-style --version text words it; cmake/debian/copyright says the same.
# The \\n are C++ escapes in the generated header.
string(CONCAT TOLVANE_LICENSE
    "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\\n"
    "This is free software: you are free to change and redistribute it.\\n"
    "There is NO WARRANTY, to the extent permitted by law.")
configure_file(${CMAKE_SOURCE_DIR}/res/Version.h.in ${CMAKE_BINARY_DIR}/generated/Version.h @ONLY)
