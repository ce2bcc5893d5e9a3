#pragma once

#include <cstdio>
#include <cstdlib>

// A rule of a reader that an input broke: say which, then abort, so that libFuzzer keeps the
// input as a crash and a replay of the corpus fails with the rule's text.
namespace tc4dl::fuzz {

[[noreturn]] inline void ruleBroken(const char* rule, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: rule broken: %s\n", file, line, rule);
    std::fflush(stderr);
    std::abort();
}

} // namespace tc4dl::fuzz

#define FUZZ_RULE(condition)                                                                       \
    ((condition) ? static_cast<void>(0) : ::tc4dl::fuzz::ruleBroken(#condition, __FILE__, __LINE__))

// The entry point every target defines; libFuzzer or the replay program calls it.
extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size);
