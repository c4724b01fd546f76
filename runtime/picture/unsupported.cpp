// Formats whose decoders are not written yet: their files are no picture.
#include "decoders.h"

namespace tovalin::picture {

Result<Image> decode_bmp(Bytes, const DecodeOptions&) { return Error::Unsupported; }
Result<Image> decode_icon(Bytes, const DecodeOptions&) { return Error::Unsupported; }
Result<Image> decode_gif(Bytes, const DecodeOptions&) { return Error::Unsupported; }
Result<Image> decode_pcx(Bytes, const DecodeOptions&) { return Error::Unsupported; }

}  // namespace tovalin::picture
