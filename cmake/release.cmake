# The release: one ZIP with the stripped client, the installation module and
# the subscribers' README.TXT, named after the version in the version
# resource (build/win32/NUV-<version>-win32.zip from the 32-bit build):
#
#   cmake --build --preset win32 --target package
#
# The ZIP carries no time of its own (fixed entry times, order and
# permissions; the linker writes no time into the programs), so two builds
# of the same sources give the same bytes.

# The manifests are files of their own beside the resource scripts that name
# them: a change to one rebuilds its script.
if(NUV_WIN32)
  set_property(SOURCE ${NUV_MAIN_RC} APPEND PROPERTY OBJECT_DEPENDS
    ${CMAKE_SOURCE_DIR}/resources/nuvmain.manifest)
  set_property(SOURCE ${CMAKE_SOURCE_DIR}/resources/nuvsetup.rc
    DIRECTORY ${CMAKE_SOURCE_DIR}/src/setup
    APPEND PROPERTY OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/resources/nuvsetup.manifest)
endif()

# The manifest tests open the real programs beside them.
if(TARGET nuv_manifest_tests AND TARGET nuvmain AND TARGET nuvsetup)
  add_dependencies(nuv_manifest_tests nuvmain nuvsetup)
endif()

if(NOT NUV_WIN32 OR NOT TARGET nuvmain OR NOT TARGET nuvsetup)
  return()
endif()

set(NUV_VERSION_RC ${CMAKE_SOURCE_DIR}/resources/dialogs.rc)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${NUV_VERSION_RC})
file(STRINGS ${NUV_VERSION_RC} nuv_version_line REGEX "VALUE \"ProductVersion\"")
string(REGEX MATCH "\"ProductVersion\", *\"([0-9]+(\\.[0-9]+)*)\"" nuv_version_match "${nuv_version_line}")
if(NOT CMAKE_MATCH_1)
  message(FATAL_ERROR "release: no ProductVersion in ${NUV_VERSION_RC}")
endif()
set(NUV_VERSION ${CMAKE_MATCH_1})

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(NUV_PACKAGE_ARCH win32)
else()
  set(NUV_PACKAGE_ARCH win64)
endif()
set(NUV_PACKAGE_ZIP ${CMAKE_BINARY_DIR}/NUV-${NUV_VERSION}-${NUV_PACKAGE_ARCH}.zip)

find_program(NUV_PACKAGE_PYTHON3 python3 REQUIRED)
if(NOT CMAKE_STRIP)
  message(FATAL_ERROR "release: no strip program for ${CMAKE_CXX_COMPILER}")
endif()

add_custom_command(
  OUTPUT ${NUV_PACKAGE_ZIP}
  COMMAND ${NUV_PACKAGE_PYTHON3} ${CMAKE_SOURCE_DIR}/scripts/package.py
          --strip ${CMAKE_STRIP} --readme ${CMAKE_SOURCE_DIR}/docs/README.TXT
          --out ${NUV_PACKAGE_ZIP} $<TARGET_FILE:nuvmain> $<TARGET_FILE:nuvsetup>
  DEPENDS nuvmain nuvsetup ${CMAKE_SOURCE_DIR}/scripts/package.py ${CMAKE_SOURCE_DIR}/docs/README.TXT
  COMMENT "Packing ${NUV_PACKAGE_ZIP}"
  VERBATIM)
add_custom_target(package DEPENDS ${NUV_PACKAGE_ZIP})

# The 64-bit package started under Wine from its unpacked folder against the
# server simulator (32-bit programs do not run on the build machines). The
# ZIP is packed first by a test of its own, so ctest alone suffices.
if(CMAKE_SIZEOF_VOID_P EQUAL 8 AND CMAKE_HOST_UNIX AND TARGET nuvsim AND TARGET nuv_doubles)
  add_test(NAME nuv_release_package COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target package)
  set_tests_properties(nuv_release_package PROPERTIES FIXTURES_SETUP nuv_release_zip TIMEOUT 600)
  add_test(NAME nuv_release_e2e
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/release_e2e.sh ${CMAKE_BINARY_DIR} ${NUV_PACKAGE_ZIP})
  set_tests_properties(nuv_release_e2e PROPERTIES FIXTURES_REQUIRED nuv_release_zip TIMEOUT 300)
endif()
