#pragma once
// The fuzz targets' assertion: a property that does not hold is a finding like a crash. It says
// which one before aborting, so that libFuzzer keeps the input and the report names the check.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
