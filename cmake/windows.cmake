# Cross build: the whole program as a static library that verdimo.exe (a tiny entry file), the
# Windows-side tests and nothing else link; tests create the real window and controls in-process.

set(VERDIMO_PNG_PREFIX "${CMAKE_BINARY_DIR}/../deps/mingw" CACHE PATH "libpng built for MinGW")
find_library(VERDIMO_PNG_LIB NAMES libpng16.a libpng.a PATHS ${VERDIMO_PNG_PREFIX}/lib
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_library(VERDIMO_ZLIB NAMES libz.a REQUIRED)

add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800)

add_library(verdimo_core STATIC ${VERDIMO_PORTABLE_SOURCES} ${VERDIMO_WIN32_SOURCES})
target_include_directories(verdimo_core PUBLIC ${CMAKE_SOURCE_DIR}/src ${VERDIMO_PNG_PREFIX}/include)
target_compile_options(verdimo_core PRIVATE ${VERDIMO_WARNINGS})
target_link_libraries(verdimo_core PUBLIC ${VERDIMO_PNG_LIB} ${VERDIMO_ZLIB}
  comctl32 wininet urlmon ole32 oleaut32 uuid shell32 comdlg32 gdi32 user32 winmm)
verdimo_add_embedded_images(verdimo_core)

set(VERDIMO_STATIC_LINK -static -static-libgcc -static-libstdc++)

add_executable(verdimo WIN32 ${CMAKE_SOURCE_DIR}/src/shell/entry.cpp)
target_compile_options(verdimo PRIVATE ${VERDIMO_WARNINGS})
target_link_libraries(verdimo PRIVATE verdimo_core)
target_link_options(verdimo PRIVATE ${VERDIMO_STATIC_LINK})

# The command line's core for Windows: src/cli without its libcurl files, with WinINet. Of the
# system's headers it sees only CLI11's and nlohmann-json's folders.
set(VERDIMO_CLI_HEADERS ${CMAKE_BINARY_DIR}/cli-headers)
file(MAKE_DIRECTORY ${VERDIMO_CLI_HEADERS})
foreach(folder CLI nlohmann)
  file(CREATE_LINK /usr/include/${folder} ${VERDIMO_CLI_HEADERS}/${folder} SYMBOLIC)
endforeach()
file(GLOB CLI_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/cli/*.cpp)
list(FILTER CLI_SOURCES EXCLUDE REGEX "/(curl_|posix_|cli_main)[^/]*$")
add_library(verdimo_cli_core STATIC ${CMAKE_SOURCE_DIR}/cmake/empty.cpp ${CLI_SOURCES})
target_include_directories(verdimo_cli_core SYSTEM PUBLIC ${VERDIMO_CLI_HEADERS})
target_compile_options(verdimo_cli_core PRIVATE ${VERDIMO_WARNINGS})
# TagLib for --tag, built for MinGW from Debian's taglib source package beside libpng.
find_library(VERDIMO_TAGLIB_LIB NAMES libtag.a PATHS ${VERDIMO_PNG_PREFIX}/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
  REQUIRED)
target_link_libraries(verdimo_cli_core PUBLIC verdimo_core ${VERDIMO_TAGLIB_LIB})
target_compile_definitions(verdimo_cli_core PRIVATE VERDIMO_VERSION="${VERDIMO_VERSION}" PUBLIC TAGLIB_STATIC)
# A console program; wmain takes the arguments as wide text.
add_executable(verdimo-cli ${CMAKE_SOURCE_DIR}/src/cli/cli_main.cpp)
target_compile_options(verdimo-cli PRIVATE ${VERDIMO_WARNINGS})
target_link_libraries(verdimo-cli PRIVATE verdimo_cli_core)
target_link_options(verdimo-cli PRIVATE ${VERDIMO_STATIC_LINK} -municode)

# GoogleTest from Debian's sources, built with this toolchain.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB WINDOWS_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/windows/*.cpp)
# Helpers both programs under Wine share: files, the site's fixtures and generated bodies.
set(COMMON_TEST_SOURCES ${CMAKE_SOURCE_DIR}/tests/common/site_bodies.cpp
  ${CMAKE_SOURCE_DIR}/tests/common/test_files.cpp ${CMAKE_SOURCE_DIR}/tests/common/site_control.cpp
  ${CMAKE_SOURCE_DIR}/tests/common/recorder_log.cpp ${CMAKE_SOURCE_DIR}/tests/common/stand_in_browser_control.cpp)
add_executable(windows_tests ${WINDOWS_TEST_SOURCES} ${COMMON_TEST_SOURCES})
target_compile_options(windows_tests PRIVATE ${VERDIMO_WARNINGS})
target_include_directories(windows_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(windows_tests PRIVATE VERDIMO_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(windows_tests PRIVATE verdimo_cli_core verdimo_core gtest_main)
add_dependencies(windows_tests verdimo-cli)
target_link_options(windows_tests PRIVATE ${VERDIMO_STATIC_LINK})

file(GLOB E2E_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*.cpp)
add_executable(e2e_tests ${E2E_SOURCES} ${COMMON_TEST_SOURCES})
target_compile_options(e2e_tests PRIVATE ${VERDIMO_WARNINGS})
target_include_directories(e2e_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src
  ${VERDIMO_PNG_PREFIX}/include)
target_compile_definitions(e2e_tests PRIVATE VERDIMO_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(e2e_tests PRIVATE gtest ${VERDIMO_PNG_LIB} ${VERDIMO_ZLIB} user32 gdi32 psapi
  wininet)
target_link_options(e2e_tests PRIVATE ${VERDIMO_STATIC_LINK})

# Stand-ins for the platform's controls, registered in the test and demo prefixes only.
add_subdirectory(${CMAKE_SOURCE_DIR}/stand_ins/browser ${CMAKE_BINARY_DIR}/stand_ins/browser)
add_subdirectory(${CMAKE_SOURCE_DIR}/stand_ins/player ${CMAKE_BINARY_DIR}/stand_ins/player)

# The shell's "open" handler in the test prefix: records what it was asked to open.
add_executable(recorder WIN32 ${CMAKE_SOURCE_DIR}/tests/recorder/recorder.cpp)
target_compile_options(recorder PRIVATE ${VERDIMO_WARNINGS})
target_link_options(recorder PRIVATE ${VERDIMO_STATIC_LINK})

# A program that the site serves as a song; the hostile-site test checks that playing it never
# starts it. windows_tests finds it next to itself.
add_executable(marker_program WIN32 ${CMAKE_SOURCE_DIR}/tests/marker_program/marker_program.cpp)
target_compile_options(marker_program PRIVATE ${VERDIMO_WARNINGS})
target_link_options(marker_program PRIVATE ${VERDIMO_STATIC_LINK})
add_dependencies(windows_tests marker_program)

# Everything under Wine shares one environment: an Xvfb display, the stand-in site as the HTTP
# proxy and a Wine prefix inside the build tree. A CTest fixture brings it up once and down at the
# end; tests/wine/run (the emulator) puts each test program into it.
set(VERDIMO_TEST_STATE ${CMAKE_BINARY_DIR}/test-env)
set(wine_run ${CMAKE_SOURCE_DIR}/tests/wine/run ${VERDIMO_TEST_STATE})
add_test(NAME wine_env_up COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/env-up ${VERDIMO_TEST_STATE}
  ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
add_test(NAME wine_env_down COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/env-down ${VERDIMO_TEST_STATE})
set_tests_properties(wine_env_up PROPERTIES FIXTURES_SETUP wine_env)
set_tests_properties(wine_env_down PROPERTIES FIXTURES_CLEANUP wine_env)

# Each program writes its cases' results as XML, so that scripts/test can count them one by one.
set(VERDIMO_RESULTS ${CMAKE_BINARY_DIR}/test-results)
add_test(NAME windows_tests COMMAND ${wine_run} $<TARGET_FILE:windows_tests>
  --gtest_output=xml:Z:${VERDIMO_RESULTS}/windows_tests.xml)
add_test(NAME e2e_tests COMMAND ${wine_run} $<TARGET_FILE:e2e_tests>
  --verdimo=$<TARGET_FILE:verdimo> --output=${CMAKE_BINARY_DIR}/e2e-output
  --gtest_output=xml:Z:${VERDIMO_RESULTS}/e2e_tests.xml)
set_tests_properties(windows_tests e2e_tests PROPERTIES FIXTURES_REQUIRED wine_env TIMEOUT 900
  RUN_SERIAL TRUE)

# Save Songs wall-time benchmark (bench/save_songs_bench.sh runs it under Wine; not a test).
add_executable(save_songs_bench ${CMAKE_SOURCE_DIR}/bench/windows/save_songs_bench.cpp)
target_compile_options(save_songs_bench PRIVATE ${VERDIMO_WARNINGS})
target_include_directories(save_songs_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(save_songs_bench PRIVATE verdimo_core)
target_link_options(save_songs_bench PRIVATE ${VERDIMO_STATIC_LINK})

# The zip scripts/package makes, and the program unpacked from it reading a profile.
add_test(NAME package_e2e COMMAND ${CMAKE_SOURCE_DIR}/tests/package/package_test.sh
  ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR} ${VERDIMO_VERSION})
set_tests_properties(package_e2e PROPERTIES FIXTURES_REQUIRED wine_env TIMEOUT 300 RUN_SERIAL TRUE)
# The other benchmarks under Wine (scripts/bench runs them): listing a profile in the real window,
# and the bench's own small programs to measure against (the floor for listing, a trivial window
# for launching) with the driver that launches both.
add_executable(listing_bench ${CMAKE_SOURCE_DIR}/bench/windows/listing_bench.cpp)
target_compile_options(listing_bench PRIVATE ${VERDIMO_WARNINGS})
target_link_libraries(listing_bench PRIVATE verdimo_core)
target_link_options(listing_bench PRIVATE ${VERDIMO_STATIC_LINK})
add_executable(list_floor ${CMAKE_SOURCE_DIR}/bench/windows/list_floor.cpp)
target_compile_options(list_floor PRIVATE ${VERDIMO_WARNINGS})
target_link_libraries(list_floor PRIVATE comctl32)
target_link_options(list_floor PRIVATE ${VERDIMO_STATIC_LINK})
add_executable(trivial_window WIN32 ${CMAKE_SOURCE_DIR}/bench/windows/trivial_window.cpp)
target_compile_options(trivial_window PRIVATE ${VERDIMO_WARNINGS})
target_link_options(trivial_window PRIVATE ${VERDIMO_STATIC_LINK})
add_executable(glide_floor WIN32 ${CMAKE_SOURCE_DIR}/bench/windows/glide_floor.cpp)
target_compile_options(glide_floor PRIVATE ${VERDIMO_WARNINGS})
target_link_libraries(glide_floor PRIVATE winmm)
target_link_options(glide_floor PRIVATE ${VERDIMO_STATIC_LINK})
add_executable(watch_floor WIN32 ${CMAKE_SOURCE_DIR}/bench/windows/watch_floor.cpp)
target_compile_options(watch_floor PRIVATE ${VERDIMO_WARNINGS})
target_link_libraries(watch_floor PRIVATE winmm)
target_link_options(watch_floor PRIVATE ${VERDIMO_STATIC_LINK})
# The trivial window again, loading the system libraries the program loads before its window.
add_executable(trivial_window_libraries WIN32 ${CMAKE_SOURCE_DIR}/bench/windows/trivial_window.cpp)
target_compile_definitions(trivial_window_libraries PRIVATE LOAD_PROGRAM_LIBRARIES)
target_compile_options(trivial_window_libraries PRIVATE ${VERDIMO_WARNINGS})
target_link_libraries(trivial_window_libraries PRIVATE comctl32 comdlg32 ole32 oleaut32 shell32 urlmon wininet winmm)
target_link_options(trivial_window_libraries PRIVATE ${VERDIMO_STATIC_LINK})
add_executable(launch_bench ${CMAKE_SOURCE_DIR}/bench/windows/launch_bench.cpp)
target_compile_options(launch_bench PRIVATE ${VERDIMO_WARNINGS})
target_include_directories(launch_bench PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_options(launch_bench PRIVATE ${VERDIMO_STATIC_LINK})
