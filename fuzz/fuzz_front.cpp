// Any bytes through the signature table and whichever decoder it picks.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return tovalin::fuzz::exercise(tovalin::picture::decode, data, size);
}
