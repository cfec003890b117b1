// libFuzzer entry of the extract_walk target (see fuzz_targets.hpp).
#include "fuzz_targets.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::extract_walk_target(data, size);
    return 0;
}
