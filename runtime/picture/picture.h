// The picture service: a picture value is the complete bytes of an image file.
// This header is the whole of what the rest of the program sees of decoding;
// nothing here depends on a window toolkit.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace tovalin::picture {

using Bytes = std::span<const std::uint8_t>;

enum class Format { None, Bmp, Jpeg, Png, Ico, Cur, Gif, Pcx8, Pcx1 };
std::string_view to_string(Format format);

// The format of a picture value, from its first 8 bytes alone.
Format sniff(Bytes data);

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(Size, Size) = default;
};

// One bound that every decoder consults after reading its header and before
// it allocates. 2^28 pixels is a 16384 x 16384 picture, a 1 GiB bitmap: room
// for the 200-megapixel photos that the largest cameras make, and no more.
struct Limits {
    std::uint32_t max_dimension = 65535;          // per side, as JPEG allows
    std::uint64_t max_pixels = 1ull << 28;        // of one decoded bitmap
    std::uint64_t max_total_bytes = 1ull << 30;   // all bitmaps of one decode, frames included
    std::uint64_t max_working_bytes = 2ull << 30; // a decoder's own buffers (JPEG coefficients)
};

// Why a value is no picture. The program shows none of these; they serve
// tests and debugging, and keep "malformed" apart from "not supported".
enum class Error {
    UnknownFormat,
    Truncated,
    BadHeader,
    BadData,
    Unsupported,
    TooLarge,
    OutOfMemory,
};
std::string_view to_string(Error error);

// Storage that is not cleared when it grows: a decoder that writes every
// pixel would otherwise pay for writing the whole bitmap twice.
// allocate_bitmap says what the pixels start as.
template <class T>
struct UninitialisedAllocator : std::allocator<T> {
    using value_type = T;
    template <class U>
    struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    UninitialisedAllocator() = default;
    template <class U>
    UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}
    template <class U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
using PixelBytes = std::vector<std::uint8_t, UninitialisedAllocator<std::uint8_t>>;

inline bool operator==(const PixelBytes& a, const std::vector<std::uint8_t>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

// 8-bit BGRA in memory order, rows top to bottom, no padding, straight
// (not premultiplied) alpha.
struct Bitmap {
    int width = 0;
    int height = 0;
    PixelBytes bgra;
    bool has_alpha = false;  // false: every alpha byte is 255

    bool empty() const { return width <= 0 || height <= 0; }
    std::size_t stride() const { return static_cast<std::size_t>(width) * 4; }
    std::uint8_t* row(int y) { return bgra.data() + static_cast<std::size_t>(y) * stride(); }
    const std::uint8_t* row(int y) const { return bgra.data() + static_cast<std::size_t>(y) * stride(); }
};

struct Frame {
    Bitmap image;      // the whole logical screen after this frame
    int delay_ms = 0;
};

struct Image {
    Format format = Format::None;
    Size natural;              // the picture's own size, as the drawing rules see it
    Bitmap pixels;             // the still picture; may be smaller than natural (see DecodeOptions)
    // An animation to play: every image of the file composited on the whole
    // picture in turn, the first being `pixels` again. Empty for a still
    // picture, a GIF of one image included. Frames that do not fit the byte
    // budget are left off, the ones before them kept.
    std::vector<Frame> frames;
    int loop_count = 0;  // how often the frames play in all; 0: forever
};

struct DecodeOptions {
    // When set, the decoder may return pixels smaller than the natural size,
    // but never smaller than the target in either direction (unless the
    // picture itself is smaller). Used for previews and for printing at the
    // device size of a rectangle.
    std::optional<Size> target;
    Limits limits;
};

template <class T>
class Result {
public:
    Result(T value) : value_(std::move(value)) {}
    Result(Error error) : value_(error) {}

    bool ok() const { return value_.index() == 0; }
    explicit operator bool() const { return ok(); }
    Error error() const { return std::get<1>(value_); }
    T& operator*() { return std::get<0>(value_); }
    const T& operator*() const { return std::get<0>(value_); }
    T* operator->() { return &std::get<0>(value_); }
    const T* operator->() const { return &std::get<0>(value_); }

private:
    std::variant<T, Error> value_;
};

// Decodes a picture value. Empty bytes, unknown signatures and files that
// their decoder rejects give an Error; nothing is thrown.
Result<Image> decode(Bytes data, const DecodeOptions& options = {});

}  // namespace tovalin::picture
