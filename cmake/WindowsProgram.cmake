# frixa.exe, the desktop program: the Win32 windows and controls (frixa_win, from src/win/), its
# entry point, the core, and the resources compiled by windres (icon, pictures, version
# information, the common controls manifest). Included by the top-level CMakeLists in the
# Windows build only.

# The resources as an object library, so that the window tests link the same pictures.
set(FRIXA_RESOURCE_SCRIPT "${CMAKE_SOURCE_DIR}/resources/frixa.rc")
file(GLOB FRIXA_ARTWORK CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/resources/artwork/*")
add_library(frixa_resources OBJECT "${FRIXA_RESOURCE_SCRIPT}")
# The common controls manifest with the project version (frixa.rc finds it in the generated
# folder, on the resource compiler's include path).
configure_file("${CMAKE_SOURCE_DIR}/resources/frixa.manifest.in" "${FRIXA_GENERATED_DIR}/frixa.manifest" @ONLY)
target_include_directories(frixa_resources PRIVATE
  "${CMAKE_SOURCE_DIR}" "${CMAKE_SOURCE_DIR}/src" "${FRIXA_GENERATED_DIR}")
set_source_files_properties("${FRIXA_RESOURCE_SCRIPT}" PROPERTIES OBJECT_DEPENDS
  "${FRIXA_ARTWORK};${FRIXA_GENERATED_DIR}/frixa.manifest;${FRIXA_GENERATED_DIR}/frixa_version.h;${CMAKE_SOURCE_DIR}/src/templates/template_ids.h;${CMAKE_SOURCE_DIR}/resources/templates/calibration.mdb;${CMAKE_SOURCE_DIR}/resources/templates/host.mdb;${CMAKE_SOURCE_DIR}/src/win/resource_ids.h")

# The windows and controls on top of the core; they use the common controls (tooltips) besides
# the default libraries. frixa.exe and the window tests link it.
add_library(frixa_win STATIC ${FRIXA_WIN_SOURCES})
target_link_libraries(frixa_win PUBLIC frixa_core comctl32 PRIVATE frixa_warnings)

add_executable(frixa WIN32 ${FRIXA_PROGRAM_SOURCES})
target_link_libraries(frixa PRIVATE frixa_win frixa_resources frixa_warnings)

# The registry's icon path points beside the program: the icon file goes there too.
add_custom_command(TARGET frixa POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different
          "${CMAKE_SOURCE_DIR}/resources/artwork/Frixa.ICO" "$<TARGET_FILE_DIR:frixa>/Frixa.ICO")

# The user's guide, "Frixa Manual.PDF" beside the program, typeset from its groff source.
find_program(FRIXA_GROFF groff)
find_program(FRIXA_GROPDF gropdf)
if(NOT FRIXA_GROFF OR NOT FRIXA_GROPDF)
  message(FATAL_ERROR "The manual needs groff with its PDF output (Debian package groff)")
endif()
set(FRIXA_MANUAL_SOURCE "${CMAKE_SOURCE_DIR}/docs/manual/frixa-manual.ms")
set(FRIXA_MANUAL "${CMAKE_BINARY_DIR}/Frixa Manual.PDF")
add_custom_command(OUTPUT "${FRIXA_MANUAL}"
  COMMAND "${FRIXA_GROFF}" -t -ms -Tpdf -wall "${FRIXA_MANUAL_SOURCE}" > "${FRIXA_MANUAL}"
  DEPENDS "${FRIXA_MANUAL_SOURCE}"
  COMMENT "Typesetting Frixa Manual.PDF"
  VERBATIM)
add_custom_target(frixa_manual ALL DEPENDS "${FRIXA_MANUAL}")

# The program folder as a dyno PC holds it: `cmake --install BUILD --prefix FOLDER` puts the
# program, its manual and icon and an empty "Custom Cal" folder into FOLDER; the target
# `package` zips the same folder for release.
install(TARGETS frixa RUNTIME DESTINATION .)
install(FILES "${FRIXA_MANUAL}" "${CMAKE_SOURCE_DIR}/resources/artwork/Frixa.ICO" DESTINATION .)
install(DIRECTORY DESTINATION "Custom Cal")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(FRIXA_PACKAGE_ARCH win64)
else()
  set(FRIXA_PACKAGE_ARCH win32)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Frixa)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "Frixa-${PROJECT_VERSION}-${FRIXA_PACKAGE_ARCH}")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/package")
include(CPack)

# Timings that need the real windows (bench/*_win32.cpp), run under Wine by the scripts beside
# them: plain programs on the windows and the pictures.
file(GLOB FRIXA_WIN32_BENCH_SOURCES CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/bench/*_win32.cpp")
foreach(src IN LISTS FRIXA_WIN32_BENCH_SOURCES)
  get_filename_component(name "${src}" NAME_WE)
  add_executable(${name} "${src}")
  target_link_libraries(${name} PRIVATE frixa_win frixa_resources frixa_warnings)
endforeach()
