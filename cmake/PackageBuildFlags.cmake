# Hardening and reproducibility for package builds: Debian's flags as dpkg-buildflags gives
# them (stack protector, _FORTIFY_SOURCE, format checks, RELRO and immediate binding; the
# compiler builds position-independent programs by default), plus file-name maps so that two
# builds of one commit in different folders give byte-identical programs.
#
# On by default for Release builds where dpkg-buildflags exists, which is how the package is
# built (see the README); other builds keep their plain flags and full paths for debuggers.
find_program(TOLVANE_DPKG_BUILDFLAGS_PROGRAM dpkg-buildflags)
if(TOLVANE_DPKG_BUILDFLAGS_PROGRAM AND CMAKE_BUILD_TYPE STREQUAL "Release")
  set(tolvane_package_flags_default ON)
else()
  set(tolvane_package_flags_default OFF)
endif()
option(TOLVANE_PACKAGE_FLAGS "Build with the hardening flags of dpkg-buildflags"
       ${tolvane_package_flags_default})

function(tolvane_dpkg_buildflag name out)
  # hardening=+all adds immediate binding (bindnow), which Debian leaves out by default.
  # Run in the source folder: dpkg-buildflags maps the current folder to "." in file names.
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            ${TOLVANE_DPKG_BUILDFLAGS_PROGRAM} --get ${name}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  set(${out} "${flags}" PARENT_SCOPE)
endfunction()

if(TOLVANE_PACKAGE_FLAGS)
  if(NOT TOLVANE_DPKG_BUILDFLAGS_PROGRAM)
    message(FATAL_ERROR "TOLVANE_PACKAGE_FLAGS needs dpkg-buildflags (package dpkg-dev)")
  endif()
  tolvane_dpkg_buildflag(CPPFLAGS cppflags)
  tolvane_dpkg_buildflag(CXXFLAGS cxxflags)
  tolvane_dpkg_buildflag(LDFLAGS ldflags)
  # The build folder holds generated sources (moc, resources, version header); its map comes
  # last so that it wins over the source folder's when the build folder lies inside it.
  string(APPEND CMAKE_CXX_FLAGS " ${cppflags} ${cxxflags}"
         " -ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.")
  string(APPEND CMAKE_EXE_LINKER_FLAGS " ${ldflags}")
  string(APPEND CMAKE_SHARED_LINKER_FLAGS " ${ldflags}")
  message(STATUS "Package build flags: ${cppflags} ${cxxflags}; ${ldflags}")
endif()
