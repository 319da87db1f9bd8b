# Sanitizer and fuzzing builds. Included at the end of project() through CMAKE_PROJECT_INCLUDE,
# so that its options reach every target of the tree without touching the folders' own files:
#
#   cmake -S . -B build/asan -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 \
#         -DCMAKE_PROJECT_INCLUDE=$PWD/cmake/Sanitizers.cmake \
#         -DTORVANE_SANITIZE=address,undefined -DTORVANE_FUZZ=ON
#
# scripts/test-sanitizers.sh makes the builds the test command runs (build/asan, build/tsan).
#
# TORVANE_SANITIZE  the -fsanitize= list: "address,undefined" or "thread" (empty: none).
# TORVANE_FUZZ      adds libFuzzer's coverage hooks to every object and builds tests/fuzz
#                   (clang only). The hooks cost the ordinary tests little, and one build then
#                   serves both the sanitized test suite and the fuzz targets.
set(TORVANE_SANITIZE "" CACHE STRING "Sanitizers to build with, as for -fsanitize=")
option(TORVANE_FUZZ "Build the libFuzzer targets of tests/fuzz (clang)" OFF)

if(TORVANE_SANITIZE)
  # Line tables are enough for the reports' stack traces and keep the objects small; -O1 keeps
  # the instrumented tests fast without optimising away the accesses the sanitizers check.
  add_compile_options(-fsanitize=${TORVANE_SANITIZE} -fno-omit-frame-pointer -O1
                      -gline-tables-only)
  add_link_options(-fsanitize=${TORVANE_SANITIZE})
  if(TORVANE_SANITIZE MATCHES "undefined")
    # Undefined behaviour ends the test at the first report, like an address error.
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()

if(TORVANE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TORVANE_FUZZ needs clang (libFuzzer)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
