# Test executables, tools, fuzz targets and benchmarks.

# One executable per test file group; on Windows the program's string table is
# linked in as a resource so LoadString finds it in the test module.
function(nuv_add_test name)
  add_executable(${name} ${ARGN})
  if(NUV_WIN32)
    target_sources(${name} PRIVATE ${NUV_MAIN_RC})
  endif()
  target_link_libraries(${name} PRIVATE nuvapp nuvcore GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()

if(NUV_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
  file(GLOB NUV_FUZZ_SOURCES CONFIGURE_DEPENDS fuzz/*_fuzz.cpp)
  set(NUV_FUZZ_APP_TARGETS callerlog_fuzz message_fuzz popup_fuzz)
  foreach(src ${NUV_FUZZ_SOURCES})
    get_filename_component(fname ${src} NAME_WE)
    add_executable(${fname} ${src})
    # Targets of the application's portable side bring their own stand-ins
    # for the windows it calls; the installer's table is a library of its own.
    if(fname IN_LIST NUV_FUZZ_APP_TARGETS)
      target_link_libraries(${fname} PRIVATE nuvapp)
    endif()
    if(fname STREQUAL "variables_fuzz")
      target_link_libraries(${fname} PRIVATE nuvsetup_core)
    endif()
    target_link_libraries(${fname} PRIVATE nuvcore)
    # Rigs shared with the tests: "support/....h".
    target_include_directories(${fname} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_options(${fname} PRIVATE -fsanitize=fuzzer)
  endforeach()
  target_compile_options(nuvcore PRIVATE -fsanitize=fuzzer-no-link)
  target_compile_options(nuvplatform PRIVATE -fsanitize=fuzzer-no-link)
  target_compile_options(nuvapp PRIVATE -fsanitize=fuzzer-no-link)
  return()
endif()

# Unit and contract tests of the portable core, one executable per folder of
# tests/ (one Wine launch each): the same sources run natively and, in the
# Windows builds, under Wine against the real API.
file(GLOB NUV_TEST_DIRS LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*)
foreach(dir ${NUV_TEST_DIRS})
  if(IS_DIRECTORY ${dir})
    file(GLOB tests_in_dir CONFIGURE_DEPENDS ${dir}/*_test.cpp)
    # Tests of the windows themselves (*_wintest.cpp) run only in the Windows
    # builds, in the same group executable, against the real window code.
    file(GLOB wintests_in_dir CONFIGURE_DEPENDS ${dir}/*_wintest.cpp)
    if(NUV_WIN32 AND TARGET nuvwin)
      list(APPEND tests_in_dir ${wintests_in_dir})
    endif()
    if(tests_in_dir)
      get_filename_component(group ${dir} NAME)
      nuv_add_test(nuv_${group}_tests ${tests_in_dir})
      target_include_directories(nuv_${group}_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
      if(NUV_WIN32 AND TARGET nuvwin AND wintests_in_dir)
        target_link_libraries(nuv_${group}_tests PRIVATE ${NUV_WIN_LINK_GROUP})
      endif()
    endif()
  endif()
endforeach()

# Stand-ins for what lies outside the system (remote-access service, AOL
# client) and the end-to-end checks of the windowed client.
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/doubles/CMakeLists.txt)
  add_subdirectory(tests/doubles)
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/tools/CMakeLists.txt)
  add_subdirectory(tools)
endif()

# Long runs in short (scripts/longrun.py): twenty calls and three server
# switches through the console client; descriptors equal and memory flat
# after the warm-up, and under the sanitizers no leak at exit.
if(NOT NUV_WIN32 AND TARGET nuvcli AND TARGET nuvsim)
  add_test(NAME nuvcli_longrun_short
    COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/longrun.py nuvcli --nuvcli $<TARGET_FILE:nuvcli>
            --nuvsim $<TARGET_FILE:nuvsim> --calls 20 --switches 3 --check)
  set_tests_properties(nuvcli_longrun_short PROPERTIES TIMEOUT 300)
endif()

if(NOT NUV_WIN32 AND NOT NUV_SANITIZE AND EXISTS ${CMAKE_SOURCE_DIR}/bench)
  find_package(benchmark QUIET)
  file(GLOB NUV_BENCH_SOURCES CONFIGURE_DEPENDS bench/*_bench.cpp)
  if(benchmark_FOUND AND NUV_BENCH_SOURCES)
    add_executable(nuv_bench ${NUV_BENCH_SOURCES})
    target_link_libraries(nuv_bench PRIVATE nuvcore benchmark::benchmark benchmark::benchmark_main)
    target_include_directories(nuv_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  endif()
endif()

# The dial-up control's tests load the stand-in remote-access DLL and start
# the fake AOL client.
if(TARGET nuv_dialup_tests AND TARGET nuv_doubles)
  add_dependencies(nuv_dialup_tests nuv_doubles)
  set_tests_properties(nuv_dialup_tests PROPERTIES ENVIRONMENT "NUV_WINEDLLOVERRIDES=rasapi32=n,b")
endif()

# The windowed client end to end under Wine (64-bit only: 32-bit programs do
# not run on the build machines).
if(NUV_WIN32 AND CMAKE_HOST_UNIX AND CMAKE_SIZEOF_VOID_P EQUAL 8 AND TARGET nuvmain
   AND TARGET nuv_doubles AND TARGET nuvsim)
  add_test(NAME nuvmain_e2e COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/client_e2e.sh ${CMAKE_BINARY_DIR})
  add_test(NAME nuvmain_popup_e2e COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/popup_e2e.sh ${CMAKE_BINARY_DIR})
  add_test(NAME nuvmain_logwindow_e2e COMMAND bash ${CMAKE_SOURCE_DIR}/tests/logwindow/logwindow_e2e.sh ${CMAKE_BINARY_DIR})
  add_test(NAME nuvmain_message_e2e COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/message_e2e.sh ${CMAKE_BINARY_DIR})
  add_test(NAME nuvmain_config_e2e COMMAND bash ${CMAKE_SOURCE_DIR}/tests/configwindow/config_e2e.sh ${CMAKE_BINARY_DIR})
  # Twenty calls through the pop-ups: handles, windows and GDI objects of
  # the client equal after the warm-up (scripts/longrun.py).
  add_test(NAME nuvmain_longrun_short
    COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/longrun.py nuvmain --build ${CMAKE_BINARY_DIR}
            --calls 20 --sample-calls 10 --check)
  set_tests_properties(nuvmain_e2e nuvmain_popup_e2e nuvmain_logwindow_e2e nuvmain_message_e2e
                       nuvmain_config_e2e nuvmain_longrun_short PROPERTIES TIMEOUT 600)
  add_custom_target(nuv_e2e_programs ALL DEPENDS nuvmain nuv_doubles nuvsim)
endif()

# Yardsticks of the client benchmarks (scripts/bench-client.sh).
if(NUV_WIN32 AND EXISTS ${CMAKE_SOURCE_DIR}/bench/win32/idle_ref.cpp)
  add_executable(nuv_idle_ref WIN32 bench/win32/idle_ref.cpp)
  add_executable(nuv_cycle_ref WIN32 bench/win32/cycle_ref.cpp)
endif()
