#include "picture.h"

#include <array>
#include <initializer_list>

namespace tovalin::picture {
namespace {

// The signature table, row for row and tested in this order; every row looks
// at the first 8 bytes only.
struct Signature {
    Format format;
    bool (*matches)(Bytes first8);
};

constexpr bool starts(Bytes d, std::initializer_list<std::uint8_t> prefix) {
    std::size_t i = 0;
    for (std::uint8_t b : prefix)
        if (d[i++] != b) return false;
    return true;
}

// An icon directory with no entries is not an icon.
constexpr bool count_at_4(Bytes d) { return (d[4] | d[5]) != 0; }

constexpr std::array<Signature, 8> kSignatures{{
    {Format::Bmp, [](Bytes d) { return starts(d, {0x42, 0x4D}); }},
    {Format::Jpeg, [](Bytes d) { return starts(d, {0xFF, 0xD8}); }},
    {Format::Png, [](Bytes d) { return starts(d, {0x89, 0x50, 0x4E, 0x47}); }},
    {Format::Ico, [](Bytes d) { return starts(d, {0x00, 0x00, 0x01, 0x00}) && count_at_4(d); }},
    {Format::Cur, [](Bytes d) { return starts(d, {0x00, 0x00, 0x02, 0x00}) && count_at_4(d); }},
    {Format::Gif, [](Bytes d) { return starts(d, {0x47, 0x49, 0x46, 0x38}) && (d[4] == 0x37 || d[4] == 0x39) && d[5] == 0x61; }},
    {Format::Pcx8, [](Bytes d) { return d[0] == 0x0A && d[1] <= 5 && d[2] == 1 && d[3] == 8; }},
    {Format::Pcx1, [](Bytes d) { return starts(d, {0x0A, 0x03, 0x01, 0x01}); }},
}};

}  // namespace

Format sniff(Bytes data) {
    if (data.size() < 8) return Format::None;
    for (const Signature& s : kSignatures)
        if (s.matches(data)) return s.format;
    return Format::None;
}

std::string_view to_string(Format format) {
    switch (format) {
        case Format::None: return "none";
        case Format::Bmp: return "BMP";
        case Format::Jpeg: return "JPEG";
        case Format::Png: return "PNG";
        case Format::Ico: return "ICO";
        case Format::Cur: return "CUR";
        case Format::Gif: return "GIF";
        case Format::Pcx8: return "PCX 8-bit";
        case Format::Pcx1: return "PCX 1-bit";
    }
    return "?";
}

std::string_view to_string(Error error) {
    switch (error) {
        case Error::UnknownFormat: return "unknown format";
        case Error::Truncated: return "truncated";
        case Error::BadHeader: return "bad header";
        case Error::BadData: return "bad data";
        case Error::Unsupported: return "unsupported";
        case Error::TooLarge: return "too large";
        case Error::OutOfMemory: return "out of memory";
    }
    return "?";
}

}  // namespace tovalin::picture
