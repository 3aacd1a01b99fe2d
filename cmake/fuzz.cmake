# Fuzz build (clang only): the portable parsers under libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer. Each fuzz/<name>_fuzz.cpp becomes one program; CTest runs each for
# a short fixed number of inputs from its seeds in fuzz/corpus/<name>/ as a smoke test.
find_package(PNG REQUIRED)
find_package(Threads REQUIRED)

set(VERDIMO_FUZZ_RUNS 20000 CACHE STRING "Inputs each fuzz program tries under CTest")
set(fuzz_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all)

add_library(verdimo_portable STATIC ${VERDIMO_PORTABLE_SOURCES})
target_include_directories(verdimo_portable PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
target_compile_options(verdimo_portable PUBLIC ${VERDIMO_WARNINGS} ${fuzz_sanitizers}
  PRIVATE -fsanitize=fuzzer-no-link)
target_link_options(verdimo_portable PUBLIC ${fuzz_sanitizers})
target_link_libraries(verdimo_portable PUBLIC PNG::PNG Threads::Threads)
verdimo_add_embedded_images(verdimo_portable)

file(GLOB reference_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/reference/*.cpp)
add_library(fuzz_reference STATIC ${reference_sources})
target_include_directories(fuzz_reference PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(fuzz_reference PUBLIC verdimo_portable)

file(GLOB fuzz_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*_fuzz.cpp)
foreach(src ${fuzz_sources})
  get_filename_component(program ${src} NAME_WE)
  string(REGEX REPLACE "_fuzz$" "" name ${program})
  add_executable(${program} ${src})
  target_compile_options(${program} PRIVATE -fsanitize=fuzzer)
  target_link_options(${program} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${program} PRIVATE fuzz_reference)
  # The seeds are read, never written: new inputs go to a scratch folder of the build, emptied
  # before each run so that every run starts from the same inputs.
  set(scratch ${CMAKE_BINARY_DIR}/corpus/${name})
  add_test(NAME fuzz_${name}
    COMMAND sh -c "rm -rf \"$1\" && mkdir -p \"$1\" && shift && exec \"$@\"" fuzz_run ${scratch}
            $<TARGET_FILE:${program}> -runs=${VERDIMO_FUZZ_RUNS} -seed=1 -max_len=4096
            -rss_limit_mb=2048 ${scratch} ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name})
endforeach()
