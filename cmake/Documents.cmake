# Manual pages and the package's documentation files. Debian wants them compressed; gzip -n
# leaves out the file name and time, so the compressed files are the same for every build.
find_program(TOLVANE_GZIP gzip REQUIRED)

# tolvane_gzip(SOURCE OUTPUT_NAME): compresses SOURCE into the build folder's doc/ folder.
function(tolvane_gzip source name)
  set(output ${CMAKE_BINARY_DIR}/doc/${name})
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/doc
    COMMAND ${TOLVANE_GZIP} -n9 -c ${source} > ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${name}"
    VERBATIM)
  set_property(GLOBAL APPEND PROPERTY TOLVANE_GZIPPED ${output})
endfunction()

tolvane_gzip(${CMAKE_SOURCE_DIR}/docs/tolvane-update.1 tolvane-update.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/doc/tolvane-update.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(TOLVANE_BUILD_GUI)
  tolvane_gzip(${CMAKE_SOURCE_DIR}/docs/tolvane.1 tolvane.1.gz)
  install(FILES ${CMAKE_BINARY_DIR}/doc/tolvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# Debian's changelog and machine-readable copyright file, with the package's version.
configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/changelog.in ${CMAKE_BINARY_DIR}/doc/changelog.Debian @ONLY)
tolvane_gzip(${CMAKE_BINARY_DIR}/doc/changelog.Debian changelog.Debian.gz)
install(FILES ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz ${CMAKE_SOURCE_DIR}/cmake/debian/copyright
        DESTINATION ${TOLVANE_DOCDIR})
install(FILES ${CMAKE_SOURCE_DIR}/cmake/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME tolvane)

get_property(tolvane_gzipped GLOBAL PROPERTY TOLVANE_GZIPPED)
add_custom_target(tolvane_documents ALL DEPENDS ${tolvane_gzipped})
