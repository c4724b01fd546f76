#include "fuzz_common.h"
#include "picture/decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return tovalin::fuzz::exercise(tovalin::picture::decode_bmp, data, size);
}
