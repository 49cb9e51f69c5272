# The program's translations: one tolvane_<language>.ts file per language in this folder, compiled
# with lrelease and embedded as ":/i18n/tolvane_<language>.qm" in the given target, from which
# InstallTranslations loads them. Adding a language is adding its .ts file.
# The target "<target>_lupdate" refreshes every .ts file from the window sources.
find_package(Qt6 REQUIRED COMPONENTS LinguistTools)

function(tolvane_add_translations target)
  file(GLOB ts_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/translations/tolvane_*.ts)
  set(sources)
  foreach(folder app about controls folderpicker platform res)
    file(GLOB folder_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp
         ${CMAKE_SOURCE_DIR}/${folder}/*.h)
    list(APPEND sources ${folder_sources})
  endforeach()
  qt_add_translations(${target} TS_FILES ${ts_files} SOURCES ${sources}
                      RESOURCE_PREFIX /i18n LUPDATE_OPTIONS -locations none)
endfunction()
