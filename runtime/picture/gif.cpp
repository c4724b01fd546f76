// GIF: not decoded yet; such files are no picture.
#include "decoders.h"

namespace tovalin::picture {

Result<Image> decode_gif(Bytes, const DecodeOptions&) { return Error::Unsupported; }

}  // namespace tovalin::picture
