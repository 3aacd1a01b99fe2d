# Native build: the portable logic, its GoogleTest unit tests and the benchmarks.
find_package(GTest REQUIRED)
find_package(PNG REQUIRED)
find_package(benchmark QUIET)
find_package(Threads REQUIRED)

add_library(verdimo_portable STATIC ${VERDIMO_PORTABLE_SOURCES})
target_include_directories(verdimo_portable PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
target_compile_options(verdimo_portable PRIVATE ${VERDIMO_WARNINGS})
target_link_libraries(verdimo_portable PUBLIC PNG::PNG Threads::Threads)
verdimo_add_embedded_images(verdimo_portable)

# tests/reference holds plain reference versions of fast code, for tests and benchmarks.
file(GLOB TEST_SUPPORT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/reference/*.cpp)
add_library(test_support STATIC ${CMAKE_SOURCE_DIR}/cmake/empty.cpp ${TEST_SUPPORT_SOURCES})
target_include_directories(test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_compile_options(test_support PRIVATE ${VERDIMO_WARNINGS})
target_link_libraries(test_support PUBLIC verdimo_portable)

file(GLOB UNIT_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(unit_tests ${UNIT_TEST_SOURCES})
target_compile_options(unit_tests PRIVATE ${VERDIMO_WARNINGS})
target_link_libraries(unit_tests PRIVATE test_support GTest::gtest_main)
target_compile_definitions(unit_tests PRIVATE VERDIMO_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
include(GoogleTest)
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 60)

if(benchmark_FOUND)
  file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
  foreach(src ${BENCH_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_compile_options(${name} PRIVATE ${VERDIMO_WARNINGS})
    target_link_libraries(${name} PRIVATE test_support benchmark::benchmark_main)
  endforeach()
endif()

# The command line's benchmark (bench/cli_bench.sh) times the scan alone with this; built only
# when asked for.
add_executable(playlist_scan_floor EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/cli/playlist_scan_floor.cpp)
target_compile_options(playlist_scan_floor PRIVATE ${VERDIMO_WARNINGS})
target_link_libraries(playlist_scan_floor PRIVATE verdimo_portable)

# The include check: every file of src/ includes only its own layer and the layers below it
# (the table in README.md).
find_package(Python3 COMPONENTS Interpreter)
if(Python3_FOUND)
  add_test(NAME layer_check COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/layers/check_layers.py
    ${CMAKE_SOURCE_DIR})
endif()

# The stand-in site's own tests.
if(Python3_FOUND)
  add_test(NAME site_server COMMAND ${Python3_EXECUTABLE} -m unittest -q tests/site/test_server.py
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
endif()

# The command line's core: the portable logic and src/cli, with libcurl for the network. Only the
# native build has it.
find_package(CURL REQUIRED)
# In src/cli, wininet_* and windows_* files are the Windows build's, curl_* and posix_* files the
# native one's.
file(GLOB CLI_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/cli/*.cpp)
list(FILTER CLI_SOURCES EXCLUDE REGEX "/(wininet_|windows_|cli_main)[^/]*$")
add_library(verdimo_cli_core STATIC ${CLI_SOURCES})
target_compile_options(verdimo_cli_core PRIVATE ${VERDIMO_WARNINGS})
# TagLib for --tag, Debian's libtag1-dev.
find_package(PkgConfig REQUIRED)
pkg_check_modules(TAGLIB REQUIRED IMPORTED_TARGET taglib)
target_link_libraries(verdimo_cli_core PUBLIC verdimo_portable CURL::libcurl PkgConfig::TAGLIB Threads::Threads)
target_compile_definitions(verdimo_cli_core PRIVATE VERDIMO_VERSION="${VERDIMO_VERSION}")

add_executable(verdimo-cli ${CMAKE_SOURCE_DIR}/src/cli/cli_main.cpp)
target_compile_options(verdimo-cli PRIVATE ${VERDIMO_WARNINGS})
target_link_libraries(verdimo-cli PRIVATE verdimo_cli_core)

# What `cmake --install build/native --prefix P` puts under P: the command line, its manual
# (compressed, as Debian keeps manuals) and its bash completion. The manual comes with the command,
# so building verdimo-cli alone is enough to install.
include(GNUInstallDirs)
set(VERDIMO_MANUAL ${CMAKE_BINARY_DIR}/verdimo-cli.1.gz)
add_custom_command(OUTPUT ${VERDIMO_MANUAL}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/packaging/verdimo-cli.1 ${CMAKE_BINARY_DIR}/verdimo-cli.1
  COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/verdimo-cli.1
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/verdimo-cli.1 VERBATIM)
add_custom_target(verdimo_cli_manual DEPENDS ${VERDIMO_MANUAL})
add_dependencies(verdimo-cli verdimo_cli_manual)
install(TARGETS verdimo-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${VERDIMO_MANUAL} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/verdimo-cli.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME verdimo-cli)

file(GLOB CLI_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/cli/*.cpp)
add_executable(cli_tests ${CLI_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/tests/common/site_bodies.cpp)
target_compile_options(cli_tests PRIVATE ${VERDIMO_WARNINGS})
target_include_directories(cli_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(cli_tests PRIVATE verdimo_cli_core GTest::gtest_main)
target_compile_definitions(cli_tests PRIVATE VERDIMO_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  VERDIMO_CLI="$<TARGET_FILE:verdimo-cli>")
add_dependencies(cli_tests verdimo-cli)
gtest_discover_tests(cli_tests DISCOVERY_TIMEOUT 60)

# The Debian package scripts/package makes of this build's verdimo-cli, installed with apt-get and
# purged again; serial, as it holds dpkg's lock and owns /usr/bin/verdimo-cli while it runs.
add_test(NAME deb_package COMMAND ${CMAKE_SOURCE_DIR}/tests/package/deb_test.sh ${CMAKE_SOURCE_DIR}
  ${CMAKE_BINARY_DIR} ${VERDIMO_VERSION})
set_tests_properties(deb_package PROPERTIES RUN_SERIAL TRUE TIMEOUT 600 SKIP_RETURN_CODE 77)
