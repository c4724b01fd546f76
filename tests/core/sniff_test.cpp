#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "picture/picture.h"

using tovalin::picture::Format;
using tovalin::picture::sniff;

namespace {

struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    Format expected;
};

// Eight bytes: the given head, padded with `pad`.
std::vector<std::uint8_t> head(std::initializer_list<std::uint8_t> first, std::uint8_t pad = 0x11) {
    std::vector<std::uint8_t> v(first);
    v.resize(8, pad);
    return v;
}

TEST(Sniff, SignatureTableAndItsNearMisses) {
    const std::vector<Case> cases = {
        {"BMP", head({'B', 'M'}), Format::Bmp},
        {"JPEG", head({0xFF, 0xD8, 0xFF, 0xE0}), Format::Jpeg},
        {"PNG", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, Format::Png},
        {"ICO", {0, 0, 1, 0, 1, 0, 0, 0}, Format::Ico},
        {"ICO count high byte", {0, 0, 1, 0, 0, 1, 0, 0}, Format::Ico},
        {"ICO count 0", {0, 0, 1, 0, 0, 0, 9, 9}, Format::None},
        {"CUR", {0, 0, 2, 0, 3, 0, 0, 0}, Format::Cur},
        {"CUR count 0", {0, 0, 2, 0, 0, 0, 0, 0}, Format::None},
        {"GIF87a", head({'G', 'I', 'F', '8', '7', 'a'}), Format::Gif},
        {"GIF89a", head({'G', 'I', 'F', '8', '9', 'a'}), Format::Gif},
        {"GIF87b", head({'G', 'I', 'F', '8', '7', 'b'}), Format::None},
        {"GIF88a", head({'G', 'I', 'F', '8', '8', 'a'}), Format::None},
        {"PCX 8-bit version 5", head({0x0A, 5, 1, 8}), Format::Pcx8},
        {"PCX 8-bit version 0", head({0x0A, 0, 1, 8}), Format::Pcx8},
        {"PCX 8-bit version 6", head({0x0A, 6, 1, 8}), Format::None},
        {"PCX 8-bit not RLE", head({0x0A, 5, 0, 8}), Format::None},
        {"PCX 1-bit", head({0x0A, 3, 1, 1}), Format::Pcx1},
        {"PCX 1-bit version 2", head({0x0A, 2, 1, 1}), Format::None},
        {"PCX 1-bit version 5", head({0x0A, 5, 1, 1}), Format::None},
        {"PCX 4-bit", head({0x0A, 5, 1, 4}), Format::None},
        {"7-byte BMP", {'B', 'M', 0, 0, 0, 0, 0}, Format::None},
        {"7-byte PNG", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A}, Format::None},
        {"empty", {}, Format::None},
        {"text", {'H', 'e', 'l', 'l', 'o', ',', ' ', 'w', 'o', 'r', 'l', 'd'}, Format::None},
        {"lone FF", head({0xFF, 0xD9}), Format::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sniff(c.bytes), c.expected) << to_string(sniff(c.bytes));
    }
}

TEST(Sniff, OnlyTheFirstEightBytesCount) {
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    png.resize(4096, 0xAB);
    EXPECT_EQ(sniff(png), Format::Png);
    // A header whose first rows would also match a later row goes to the first.
    EXPECT_EQ(sniff(head({'B', 'M', 0x0A, 0x03, 0x01, 0x01})), Format::Bmp);
}

}  // namespace
