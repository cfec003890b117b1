// libFuzzer entry of the check target (see fuzz_targets.hpp).
#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>

#include "fuzz_targets.hpp"

// The checker prints a report on every run: standard output goes to
// /dev/null once for all, so that the fuzzer spends its time in the checker
// and not on the terminal. libFuzzer's own messages are on standard error.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0 || dup2(null, STDOUT_FILENO) < 0) {
        std::perror("standard output to /dev/null");
        std::abort();
    }
    close(null);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::check_target(data, size);
    return 0;
}
