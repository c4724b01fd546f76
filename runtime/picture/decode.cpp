#include "decoders.h"

namespace tovalin::picture {

Result<Image> decode(Bytes data, const DecodeOptions& options) {
    const Format format = sniff(data);
    Result<Image> result = Error::UnknownFormat;
    switch (format) {
        case Format::None: return Error::UnknownFormat;
        case Format::Png: result = decode_png(data, options); break;
        case Format::Jpeg: result = decode_jpeg(data, options); break;
        case Format::Bmp: result = decode_bmp(data, options); break;
        case Format::Ico:
        case Format::Cur: result = decode_icon(data, options); break;
        case Format::Gif: result = decode_gif(data, options); break;
        case Format::Pcx8:
        case Format::Pcx1: result = decode_pcx(data, options); break;
    }
    if (result) result->format = format;
    return result;
}

}  // namespace tovalin::picture
