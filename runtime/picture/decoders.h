// The decoders behind picture::decode, one per format. Each receives the whole
// picture value, already sniffed, and the caller's options.
#pragma once

#include "picture.h"

namespace tovalin::picture {

Result<Image> decode_png(Bytes data, const DecodeOptions& options);
Result<Image> decode_jpeg(Bytes data, const DecodeOptions& options);
Result<Image> decode_bmp(Bytes data, const DecodeOptions& options);
Result<Image> decode_icon(Bytes data, const DecodeOptions& options);  // ICO and CUR
Result<Image> decode_gif(Bytes data, const DecodeOptions& options);
Result<Image> decode_pcx(Bytes data, const DecodeOptions& options);

}  // namespace tovalin::picture
