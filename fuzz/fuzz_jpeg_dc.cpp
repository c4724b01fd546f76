// The DC readers of progressive and sequential JPEGs on their own, without
// libjpeg's header check in front of them.
#include <cstdlib>

#include "fuzz_common.h"
#include "picture/jpeg_dc.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (auto reader : {tovalin::picture::progressive_dc_preview, tovalin::picture::sequential_dc_preview}) {
        auto preview = reader({data, size}, tovalin::fuzz::fuzz_limits());
        if (preview && preview->bgra.size() != static_cast<std::size_t>(preview->width) * static_cast<std::size_t>(preview->height) * 4)
            std::abort();
    }
    return 0;
}
