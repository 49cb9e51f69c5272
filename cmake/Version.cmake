# The version record: the values the program reports about itself.
set(TOLVANE_FILE_VERSION "1.0.0.1")
set(TOLVANE_INTERNAL_NAME "Tolvane")
set(TOLVANE_PRODUCT_NAME "Tolvane 應用")
set(TOLVANE_FILE_DESCRIPTION "Tolvane: brings a target folder tree up to date from a source folder tree")
set(TOLVANE_RELEASE_TEXT "Tolvane for Win9x & NT Version 1.03")
configure_file(${CMAKE_SOURCE_DIR}/res/Version.h.in ${CMAKE_BINARY_DIR}/generated/Version.h @ONLY)
