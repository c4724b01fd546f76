// GIF, 87a and 89a: still pictures and animations.
//
// The picture is the logical screen with the first image placed on it. When
// the file holds more than one image, every image is also composited on the
// screen in turn, following each one's disposal, and each result is kept as a
// frame. Pixels that no image covers, and transparent ones, stay transparent
// (alpha 0), so that drawing gives them the background colour; the file's own
// background colour index is ignored, as browsers ignore it.
//
// Images are decoded straight onto a screen-sized canvas: the colour indices
// that the LZW codes yield are written as they come, clipped to the screen.
// No buffer the size of an image descriptor's claim is ever allocated, and
// once every row of an image that lands on the screen is painted, the rest of
// its data is skipped.
//
// A file cut short, or broken after its first image, keeps the images that
// decoded completely; only a file whose first image does not decode is no
// picture.
#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <optional>
#include <string_view>
#include <vector>

#include "bitmap_alloc.h"
#include "byte_reader.h"
#include "decoders.h"

namespace tovalin::picture {
namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;

// Every frame takes a screen-sized bitmap out of the byte budget, which
// bounds their number; on a tiny screen that bound is too loose to stop the
// Frame records themselves from outweighing their pixels, so the count is
// capped too. Frames past either bound are dropped and the ones before kept.
constexpr std::size_t kMaxFrames = 1 << 16;

// Colours as they sit in a BGRA bitmap, one pixel to a word.
using Palette = std::array<std::uint32_t, 256>;

std::uint32_t bgra(std::uint8_t b, std::uint8_t g, std::uint8_t r, std::uint8_t a) {
    const std::uint8_t bytes[4] = {b, g, r, a};
    std::uint32_t v;
    std::memcpy(&v, bytes, 4);
    return v;
}

// A colour table of `entries` RGB triples. Indices past its end are opaque
// black: an image may use any index its code size allows, whatever the size
// of the table it names.
bool read_palette(ByteReader& in, int entries, Palette& out) {
    out.fill(bgra(0, 0, 0, 255));
    const auto rgb = in.take(static_cast<std::size_t>(entries) * 3);
    if (rgb.empty()) return false;
    for (int i = 0; i < entries; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * 3;
        out[static_cast<std::size_t>(i)] = bgra(rgb[at + 2], rgb[at + 1], rgb[at], 255);
    }
    return true;
}

bool any_transparent(const Bitmap& b) {
    for (std::size_t i = 3; i < b.bgra.size(); i += 4)
        if (b.bgra[i] != 255) return true;
    return false;
}

// The data sub-blocks that follow an extension label or an image's code
// size: a length byte, that many bytes, and so on up to a length of zero.
// A block that the file cuts short yields what it has, then the end.
class SubBlocks {
public:
    SubBlocks(Bytes data, std::size_t at) : data_(data), pos_(at), end_(at) {}

    // The next data byte, or -1 at the terminator or the end of the file.
    int next() {
        while (pos_ == end_)
            if (!open_next()) return -1;
        return data_[pos_++];
    }

    // The next whole sub-block, or an empty span at the terminator.
    Bytes next_block() {
        pos_ = end_;
        if (!open_next()) return {};
        const Bytes block = data_.subspan(pos_, end_ - pos_);
        pos_ = end_;
        return block;
    }

    // Skips what is left, past the terminator; false when the file ends first.
    bool finish() {
        while (!ended_) {
            pos_ = end_;
            open_next();
        }
        return !truncated_;
    }
    bool truncated() const { return truncated_; }
    std::size_t position() const { return pos_; }

private:
    bool open_next() {
        if (ended_) return false;
        if (pos_ >= data_.size()) {
            truncated_ = ended_ = true;
            return false;
        }
        const std::size_t n = data_[pos_++];
        if (n == 0) {
            ended_ = true;
            return false;
        }
        end_ = pos_ + n;
        if (end_ > data_.size()) {
            end_ = data_.size();
            truncated_ = true;
        }
        return true;
    }

    Bytes data_;
    std::size_t pos_;
    std::size_t end_;  // of the current sub-block
    bool ended_ = false;
    bool truncated_ = false;
};

// The Graphic Control Extension: it governs the one image that follows it.
struct Control {
    int disposal = 0;  // 2: clear to transparent, 3: restore what was there, else keep
    int delay_cs = 0;
    int transparent = -1;
};

// The part of an image that lands on the screen.
struct Clip {
    int x = 0, y = 0, width = 0, height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
};

// Where an image's colour indices go: row by row, in interlaced order when
// the image is interlaced, onto the canvas, clipped to the screen. Indices
// gather in a buffer of a row and some, and are painted a whole row at a
// time. Done once every row that lands on the screen has been painted, or
// every row at all.
class Painter {
public:
    // Room for any string of the code table past what is waiting.
    static constexpr int kSlack = 4096;

    Painter(Bitmap& canvas, std::vector<std::uint8_t>& pending, int left, int top, int width, int height,
            bool interlaced, const Palette& palette, int transparent)
        : canvas_(canvas), pending_(pending), left_(left), top_(top), width_(width), height_(height),
          interlaced_(interlaced), palette_(palette), transparent_(transparent) {
        clip_width_ = left < canvas.width ? std::min(width, canvas.width - left) : 0;
        rows_to_paint_ = top < canvas.height ? std::min(height, canvas.height - top) : 0;
        done_ = clip_width_ <= 0 || rows_to_paint_ <= 0;
    }

    // False when there is no memory for the row buffer.
    bool ready() {
        if (done_) return true;
        try {
            pending_.resize(static_cast<std::size_t>(width_) + 2 * kSlack);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }

    bool done() const { return done_; }

    // Where the next string goes; kSlack bytes are free there.
    std::uint8_t* next() { return pending_.data() + filled_; }

    // The n indices written at next() are the image's next ones.
    void add(int n) {
        filled_ += n;
        while (filled_ - start_ >= width_ && !done_) {
            paint_row(pending_.data() + start_);
            start_ += width_;
        }
        if (static_cast<int>(pending_.size()) - filled_ < kSlack) {
            std::memmove(pending_.data(), pending_.data() + start_, static_cast<std::size_t>(filled_ - start_));
            filled_ -= start_;
            start_ = 0;
        }
    }

private:
    void paint_row(const std::uint8_t* index) {
        const int y = top_ + row_;
        if (y < canvas_.height) {
            std::uint8_t* out = canvas_.row(y) + static_cast<std::size_t>(left_) * 4;
            if (transparent_ < 0) {
                for (int i = 0; i < clip_width_; ++i, out += 4) std::memcpy(out, &palette_[index[i]], 4);
            } else {
                // A transparent pixel leaves what the canvas already shows.
                for (int i = 0; i < clip_width_; ++i, out += 4)
                    if (index[i] != transparent_) std::memcpy(out, &palette_[index[i]], 4);
            }
            if (--rows_to_paint_ == 0) {
                done_ = true;
                return;
            }
        }
        next_row();
    }

    void next_row() {
        static constexpr int kStart[4] = {0, 4, 2, 1};
        static constexpr int kStep[4] = {8, 8, 4, 2};
        if (!interlaced_) {
            if (++row_ == height_) done_ = true;
            return;
        }
        row_ += kStep[pass_];
        while (row_ >= height_) {
            if (++pass_ == 4) {
                done_ = true;
                return;
            }
            row_ = kStart[pass_];
        }
    }

    Bitmap& canvas_;
    std::vector<std::uint8_t>& pending_;
    const int left_, top_, width_, height_;
    const bool interlaced_;
    const Palette& palette_;
    const int transparent_;
    int clip_width_ = 0;
    int rows_to_paint_ = 0;  // rows on the screen not yet painted
    int row_ = 0, pass_ = 0;
    int start_ = 0, filled_ = 0;  // the indices waiting in pending_
    bool done_ = false;
};

enum class Outcome { Complete, ShortData, BadCode };

// The LZW string table: each entry is an earlier entry plus one index.
struct CodeTable {
    std::uint16_t prefix[kTableSize];
    std::uint16_t length[kTableSize];
    std::uint8_t suffix[kTableSize];
};

// Decodes one image's codes until its painter is done. Codes widen from
// min_code_size + 1 bits up to 12 as the table fills; a full table takes no
// new entries and keeps 12-bit codes until the encoder sends a clear code,
// which it need not do at once.
Outcome decode_lzw(SubBlocks& in, int min_code_size, Painter& painter, CodeTable& t) {
    const int clear = 1 << min_code_size;
    const int end = clear + 1;
    int width = min_code_size + 1;
    int next = clear + 2;
    int prev = -1;  // the code before, -1 right after a clear
    std::uint32_t bits = 0;
    int nbits = 0;
    for (int i = 0; i < clear; ++i) {
        t.length[i] = 1;
        t.suffix[i] = static_cast<std::uint8_t>(i);
    }
    while (!painter.done()) {
        while (nbits < width) {
            const int b = in.next();
            if (b < 0) return Outcome::ShortData;
            bits |= static_cast<std::uint32_t>(b) << nbits;
            nbits += 8;
        }
        const int code = static_cast<int>(bits & ((1u << width) - 1));
        bits >>= width;
        nbits -= width;

        if (code == clear) {
            width = min_code_size + 1;
            next = clear + 2;
            prev = -1;
            continue;
        }
        if (code == end) return Outcome::ShortData;  // ends before the image does
        std::uint8_t* out = painter.next();
        if (prev < 0) {
            if (code > clear) return Outcome::BadCode;  // the table holds no strings yet
            out[0] = static_cast<std::uint8_t>(code);
            painter.add(1);
            prev = code;
            continue;
        }

        // Strings are written last index first, following the prefixes.
        int length;
        if (code < next) {
            length = t.length[code];
            for (int i = length - 1, c = code; i >= 0; --i, c = t.prefix[c]) out[i] = t.suffix[c];
        } else if (code == next && next < kTableSize) {
            // The code being defined: the previous string plus its own first index.
            length = t.length[prev] + 1;
            for (int i = length - 2, c = prev; i >= 0; --i, c = t.prefix[c]) out[i] = t.suffix[c];
            out[length - 1] = out[0];
        } else {
            return Outcome::BadCode;  // past the table
        }
        if (next < kTableSize) {
            t.prefix[next] = static_cast<std::uint16_t>(prev);
            t.suffix[next] = out[0];
            t.length[next] = static_cast<std::uint16_t>(t.length[prev] + 1);
            if (++next == 1 << width && width < kMaxCodeBits) ++width;
        }
        painter.add(length);
        prev = code;
    }
    return Outcome::Complete;
}

// A delay of 0 or 1 hundredths plays as 10, as browsers play it.
int delay_ms(int delay_cs) { return 10 * (delay_cs <= 1 ? 10 : delay_cs); }

class GifDecoder {
public:
    GifDecoder(Bytes data, const Limits& limits)
        : data_(data), in_(data), limits_(limits), budget_(limits.max_total_bytes),
          working_(limits.max_working_bytes) {}

    Result<Image> run();

private:
    // Each returns false to stop reading blocks; failure_ then says why
    // when no image has decoded yet.
    bool extension();
    bool image();
    bool prepare_canvas(const Control& control, const Clip& clip);
    bool keep_frame(int delay_cs);
    void dispose();
    bool stop(Error why) {
        failure_ = why;
        return false;
    }

    Bytes data_;
    ByteReader in_;
    const Limits& limits_;
    std::uint64_t budget_;   // for the pixels and the frames
    std::uint64_t working_;  // for the canvas of an animation and the area kept for disposal 3

    Palette global_{};
    bool has_global_ = false;
    Control control_;  // for the next image

    // The canvas is the picture's own bitmap until a second image shows up;
    // from then on the picture keeps the first image and the canvas is a
    // working copy that every later image is painted on.
    Bitmap canvas_;
    bool split_ = false;
    int images_ = 0;  // decoded completely and kept
    int first_delay_cs_ = 0;
    // The last image's disposal, applied before the next one is painted.
    Control last_;
    Clip last_clip_;
    Bitmap saved_;  // what last_clip_ covered before the last image, for disposal 3

    CodeTable table_;
    std::vector<std::uint8_t> pending_;  // an image's indices on their way to the canvas
    Image out_;
    bool loop_extension_ = false;
    int loop_ = 0;
    Error failure_ = Error::Truncated;
};

Result<Image> GifDecoder::run() {
    const auto signature = in_.take(6);
    const int screen_width = in_.u16le();
    const int screen_height = in_.u16le();
    const std::uint8_t flags = in_.u8();
    in_.skip(2);  // background colour index, pixel aspect ratio
    if (!in_.ok()) return Error::Truncated;
    const std::string_view sig(reinterpret_cast<const char*>(signature.data()), 6);
    if (sig != "GIF87a" && sig != "GIF89a") return Error::BadHeader;
    if (flags & 0x80) {
        if (!read_palette(in_, 2 << (flags & 7), global_)) return Error::Truncated;
        has_global_ = true;
    }

    auto screen = allocate_bitmap(screen_width, screen_height, limits_, &budget_);
    if (!screen) return screen.error();
    canvas_ = std::move(*screen);

    // Extensions are taken in 87a files too: old encoders wrote them anyway.
    bool more = true;
    while (more) {
        const std::uint8_t introducer = in_.u8();
        if (!in_.ok()) break;  // no trailer: keep what decoded
        switch (introducer) {
            case 0x21: more = extension(); break;
            case 0x2C: more = image(); break;
            case 0x3B: more = false; break;
            default: more = stop(Error::BadData); break;  // garbage past the last image is common
        }
    }
    if (images_ == 0) return failure_;

    if (!split_) out_.pixels = std::move(canvas_);
    out_.pixels.has_alpha = any_transparent(out_.pixels);
    if (out_.frames.size() < 2) out_.frames.clear();
    out_.natural = {screen_width, screen_height};
    // The loop extension counts repeats after the first play, as browsers
    // and ImageMagick read it; without one the animation plays once.
    out_.loop_count = !loop_extension_ ? 1 : loop_ == 0 ? 0 : loop_ + 1;
    return std::move(out_);
}

bool GifDecoder::extension() {
    const std::uint8_t label = in_.u8();
    if (!in_.ok()) return stop(Error::Truncated);
    SubBlocks blocks(data_, in_.position());
    if (label == 0xF9) {
        const Bytes b = blocks.next_block();
        if (b.size() >= 4) {
            control_.disposal = (b[0] >> 2) & 7;
            control_.delay_cs = b[1] | b[2] << 8;
            control_.transparent = (b[0] & 1) ? b[3] : -1;
        }
    } else if (label == 0xFF) {
        const Bytes id = blocks.next_block();
        const std::string_view name(reinterpret_cast<const char*>(id.data()), id.size());
        if (name == "NETSCAPE2.0" || name == "ANIMEXTS1.0") {
            const Bytes b = blocks.next_block();
            if (b.size() >= 3 && b[0] == 1) {
                loop_extension_ = true;
                loop_ = b[1] | b[2] << 8;
            }
        }
    } else if (label == 0x01) {
        control_ = {};  // plain text is not drawn, but it uses up the control block before it
    }
    if (!blocks.finish()) return stop(Error::Truncated);
    return in_.seek(blocks.position());
}

bool GifDecoder::image() {
    const int left = in_.u16le();
    const int top = in_.u16le();
    const int width = in_.u16le();
    const int height = in_.u16le();
    const std::uint8_t flags = in_.u8();
    if (!in_.ok()) return stop(Error::Truncated);
    Palette local;
    const Palette* palette = &global_;
    if (flags & 0x80) {
        if (!read_palette(in_, 2 << (flags & 7), local)) return stop(Error::Truncated);
        palette = &local;
    } else if (!has_global_) {
        return stop(Error::BadData);  // no colours to paint with
    }
    const int min_code_size = in_.u8();
    if (!in_.ok()) return stop(Error::Truncated);
    if (min_code_size < 2 || min_code_size > 8) return stop(Error::BadData);

    const Control control = control_;
    control_ = {};
    Clip clip;
    clip.x = left, clip.y = top;
    clip.width = std::max(0, std::min(width, canvas_.width - left));
    clip.height = std::max(0, std::min(height, canvas_.height - top));
    if (!prepare_canvas(control, clip)) return false;

    SubBlocks data(data_, in_.position());
    Painter painter(canvas_, pending_, left, top, width, height, (flags & 0x40) != 0, *palette, control.transparent);
    if (!painter.ready()) return stop(Error::OutOfMemory);
    const Outcome outcome = decode_lzw(data, min_code_size, painter, table_);
    const bool ended = data.finish();
    if (outcome == Outcome::BadCode) return stop(Error::BadData);
    if (outcome == Outcome::ShortData) return stop(data.truncated() ? Error::Truncated : Error::BadData);

    if (images_ == 0) first_delay_cs_ = control.delay_cs;
    if (images_ > 0 && !keep_frame(control.delay_cs)) return false;
    ++images_;
    last_ = control;
    last_clip_ = clip;
    return ended && in_.seek(data.position());
}

// Readies the canvas for the next image: a working copy once the picture has
// its first image, the last image's disposal, and the area this one covers
// kept when its own disposal will need it.
bool GifDecoder::prepare_canvas(const Control& control, const Clip& clip) {
    if (images_ == 1 && !split_) {
        // A second image: the first becomes frame 0 and the picture, and the
        // canvas a working copy. Without room for both, the still picture stays.
        auto first = allocate_bitmap(canvas_.width, canvas_.height, limits_, &budget_);
        auto work = allocate_bitmap(canvas_.width, canvas_.height, limits_, &working_);
        if (!first || !work) return stop(Error::TooLarge);
        std::memcpy(first->bgra.data(), canvas_.bgra.data(), canvas_.bgra.size());
        std::memcpy(work->bgra.data(), canvas_.bgra.data(), canvas_.bgra.size());
        first->has_alpha = any_transparent(*first);
        out_.frames.push_back({std::move(*first), delay_ms(first_delay_cs_)});
        out_.pixels = std::move(canvas_);
        canvas_ = std::move(*work);
        split_ = true;
    }
    if (images_ > 0) dispose();

    if (control.disposal == 3 && !clip.empty()) {
        auto saved = allocate_bitmap(clip.width, clip.height, limits_, &working_);
        if (!saved) return stop(saved.error());
        for (int y = 0; y < clip.height; ++y)
            std::memcpy(saved->row(y), canvas_.row(clip.y + y) + static_cast<std::size_t>(clip.x) * 4, saved->stride());
        saved_ = std::move(*saved);
    }
    return true;
}

void GifDecoder::dispose() {
    const Clip& c = last_clip_;
    if (c.empty()) return;
    if (last_.disposal == 2) {
        for (int y = 0; y < c.height; ++y)
            std::memset(canvas_.row(c.y + y) + static_cast<std::size_t>(c.x) * 4, 0, static_cast<std::size_t>(c.width) * 4);
    } else if (last_.disposal == 3 && !saved_.empty()) {
        for (int y = 0; y < c.height; ++y)
            std::memcpy(canvas_.row(c.y + y) + static_cast<std::size_t>(c.x) * 4, saved_.row(y), saved_.stride());
    }
    if (!saved_.empty()) {
        working_ += saved_.bgra.size();
        saved_ = {};
    }
}

bool GifDecoder::keep_frame(int delay_cs) {
    if (out_.frames.size() >= kMaxFrames) return stop(Error::TooLarge);
    auto frame = allocate_bitmap(canvas_.width, canvas_.height, limits_, &budget_);
    if (!frame) return stop(frame.error());
    std::memcpy(frame->bgra.data(), canvas_.bgra.data(), canvas_.bgra.size());
    frame->has_alpha = any_transparent(*frame);
    out_.frames.push_back({std::move(*frame), delay_ms(delay_cs)});
    return true;
}

}  // namespace

Result<Image> decode_gif(Bytes data, const DecodeOptions& options) {
    GifDecoder decoder(data, options.limits);
    return decoder.run();
}

}  // namespace tovalin::picture
