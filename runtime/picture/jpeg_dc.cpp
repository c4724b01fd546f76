#include "jpeg_dc.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

#include "bitmap_alloc.h"
#include "byte_reader.h"

namespace tovalin::picture {
namespace {

// Codes of up to this many bits are decoded with one table look-up.
constexpr int kLookup = 10;
constexpr std::uint16_t kEndOfBlock = 1u << 15;
// Windows of this many bits pass over several AC coefficients at once.
constexpr int kRunLookup = 12;

struct Huffman {
    bool defined = false;
    // The classic decoding tables: codes of length l run from mincode[l] to
    // maxcode[l] and map to values from valptr[l] on.
    std::array<int, 18> maxcode{};
    std::array<int, 17> mincode{};
    std::array<int, 17> valptr{};
    std::array<std::uint8_t, 256> values{};
    // By the next kLookup bits of the stream, for a code of at most that
    // many bits: its length | its value << 8. 0 for a longer code.
    std::array<std::uint16_t, 1 << kLookup> fast{};
    // For AC codes, what passing over one coefficient takes: the bits of
    // the code and of the value together (bits 0-4), how far it moves along
    // the block (bits 5-9), or the end of the block (kEndOfBlock). 0 for a
    // longer code.
    std::array<std::uint16_t, 1 << kLookup> skip{};
    // By the next kRunLookup bits: every whole code and value in them, read
    // in turn up to the end of the block: their bits (0-3), how far they
    // move along the block together (4-9), and kEndOfBlock when the last
    // is the end of the block. 0 when not even one fits.
    std::array<std::uint16_t, 1 << kRunLookup> run{};
};

struct Component {
    int id = 0, h = 1, v = 1, quant = 0;
    int dc_table = 0;
    int ac_table = 0;
    int blocks_w = 0, blocks_h = 0;  // blocks of this component that cover the picture
    std::vector<std::int16_t> dc;    // one dequantised-ready coefficient per block
    int predictor = 0;
};

bool build(Huffman& t, Bytes counts, Bytes values) {
    int code = 0, k = 0;
    for (int l = 1; l <= 16; ++l) {
        const int n = counts[static_cast<std::size_t>(l - 1)];
        t.valptr[static_cast<std::size_t>(l)] = k;
        t.mincode[static_cast<std::size_t>(l)] = code;
        code += n;
        k += n;
        t.maxcode[static_cast<std::size_t>(l)] = n ? code - 1 : -1;
        if (code > (1 << l)) return false;  // more codes than the length can hold
        code <<= 1;
    }
    t.maxcode[17] = 0x7fffffff;
    std::copy(values.begin(), values.end(), t.values.begin());
    t.fast.fill(0);
    t.skip.fill(0);
    for (int l = 1; l <= kLookup; ++l) {
        const auto ul = static_cast<std::size_t>(l);
        for (int c = t.mincode[ul]; c <= t.maxcode[ul]; ++c) {
            const int value = t.values[static_cast<std::size_t>(t.valptr[ul] + c - t.mincode[ul])];
            const int run = value >> 4, size = value & 15;
            std::uint16_t skip;
            if (size) skip = static_cast<std::uint16_t>((l + size) | (run + 1) << 5);
            else if (run == 15) skip = static_cast<std::uint16_t>(l | 16 << 5);  // sixteen zeros
            else skip = static_cast<std::uint16_t>(l | kEndOfBlock);
            const int shift = kLookup - l;
            for (int i = c << shift; i < (c + 1) << shift; ++i) {
                t.fast[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(l | value << 8);
                t.skip[static_cast<std::size_t>(i)] = skip;
            }
        }
    }
    for (std::uint32_t window = 0; window < t.run.size(); ++window) {
        int used = 0, moved = 0;
        std::uint16_t end = 0;
        while (used < kRunLookup) {
            const std::uint32_t next = (window << used) & ((1u << kRunLookup) - 1);
            const std::uint16_t e = t.skip[next >> (kRunLookup - kLookup)];
            const int bits = e & 31, move = (e >> 5) & 31;
            if (!e || used + bits > kRunLookup || moved + move > 63) break;
            used += bits;
            if (e & kEndOfBlock) {
                end = kEndOfBlock;
                break;
            }
            moved += move;
        }
        t.run[window] = static_cast<std::uint16_t>(used | moved << 4 | end);
    }
    t.defined = true;
    return true;
}

// Entropy-coded bits, with 0xFF 0x00 stuffing removed, read ahead a word at
// a time. A marker or the end of the file ends the bits: past it the reader
// gives zeros, and the scan has failed once any of those zeros is used.
class BitReader {
public:
    BitReader(Bytes data, std::size_t pos) : data_(data), pos_(pos) {}

    // At least 32 bits ready: a code and its value, however long.
    void need32() {
        if (count_ < 32) fill();
    }
    std::uint32_t peek(int n) const { return static_cast<std::uint32_t>(buf_ >> (64 - n)); }  // 1 <= n <= 32
    void drop(int n) {
        buf_ <<= n;
        count_ -= n;
    }
    int bits(int n) {  // 1 <= n <= 16
        const int v = static_cast<int>(peek(n));
        drop(n);
        return v;
    }
    // After a restart interval: what is left of the last byte is padding;
    // then RSTn must follow.
    bool restart(int n) {
        if (count_ - padding_ >= 8) return false;  // a whole byte too many in the interval
        buf_ = 0, count_ = 0, padding_ = 0, stopped_ = false;
        while (pos_ + 1 < data_.size() && data_[pos_] == 0xFF && data_[pos_ + 1] == 0xFF) ++pos_;  // fill bytes
        if (pos_ + 1 >= data_.size() || data_[pos_] != 0xFF || data_[pos_ + 1] != 0xD0 + (n & 7)) return false;
        pos_ += 2;
        return true;
    }
    // The coded data ran into a marker or the end of the file before the
    // scan was complete: a damaged file.
    bool failed() const { return padding_ > count_; }

private:
    static bool has_ff_byte(std::uint64_t x) {
        const std::uint64_t v = ~x;
        return ((v - 0x0101010101010101ull) & ~v & 0x8080808080808080ull) != 0;
    }

    void fill() {
        // Bits below the count may hold bytes read ahead but not counted.
        buf_ = count_ ? buf_ & ~(~std::uint64_t{0} >> count_) : 0;
        if (!stopped_ && data_.size() - pos_ >= 8) {
            std::uint64_t word;
            std::memcpy(&word, data_.data() + pos_, 8);
            word = __builtin_bswap64(word);
            if (!has_ff_byte(word)) {
                const int bytes = (64 - count_) / 8;
                buf_ |= word >> count_;
                pos_ += static_cast<std::size_t>(bytes);
                count_ += 8 * bytes;
                return;
            }
        }
        while (count_ <= 56) {
            std::uint64_t b = 0;
            if (!stopped_) {
                if (pos_ >= data_.size()) {
                    stopped_ = true;
                } else if (data_[pos_] != 0xFF) {
                    b = data_[pos_++];
                } else if (pos_ + 1 < data_.size() && data_[pos_ + 1] == 0x00) {
                    b = 0xFF;
                    pos_ += 2;
                } else {
                    stopped_ = true;  // a marker; the position stays on it
                }
            }
            if (stopped_) padding_ = std::min(padding_ + 8, 1 << 20);
            buf_ |= b << (56 - count_);
            count_ += 8;
        }
    }

    Bytes data_;
    std::size_t pos_;
    std::uint64_t buf_ = 0;  // the next `count_` bits, first bit highest
    int count_ = 0;
    int padding_ = 0;  // of those, the zeros given past the end
    bool stopped_ = false;
};

// One code; the caller has made 32 bits ready.
int decode_symbol(BitReader& in, const Huffman& t) {
    if (const std::uint16_t e = t.fast[in.peek(kLookup)]) {
        in.drop(e & 0xFF);
        return e >> 8;
    }
    const std::uint32_t code16 = in.peek(16);
    for (int l = kLookup + 1; l <= 16; ++l) {
        const int code = static_cast<int>(code16 >> (16 - l));
        if (code > t.maxcode[static_cast<std::size_t>(l)]) continue;
        in.drop(l);
        const int index = t.valptr[static_cast<std::size_t>(l)] + code - t.mincode[static_cast<std::size_t>(l)];
        return index >= 0 && index < 256 ? t.values[static_cast<std::size_t>(index)] : -1;
    }
    return -1;
}

// Passes over the 63 AC coefficients of a block as libjpeg reads them,
// without working out their values. False for a code the table lacks.
bool skip_ac(BitReader& in, const Huffman& t) {
    for (int k = 1; k < 64;) {
        in.need32();
        // Several at once, unless that could pass the block's last
        // coefficient, where libjpeg stops without an end of block.
        const std::uint16_t r = t.run[in.peek(kRunLookup)];
        if ((r & 15) && k + ((r >> 4) & 63) < 64) {
            in.drop(r & 15);
            if (r & kEndOfBlock) return true;
            k += (r >> 4) & 63;
            continue;
        }
        if (const std::uint16_t e = t.skip[in.peek(kLookup)]) {
            in.drop(e & 31);
            if (e & kEndOfBlock) return true;
            k += (e >> 5) & 31;
            continue;
        }
        const int rs = decode_symbol(in, t);
        if (rs < 0) return false;
        const int run = rs >> 4, size = rs & 15;
        if (size) {
            in.drop(size);
            k += run + 1;
        } else if (run == 15) {
            k += 16;
        } else {
            return true;
        }
    }
    return true;
}

// The value of `bits` received bits for a difference of category s.
int extend(int v, int s) { return v < (1 << (s - 1)) ? v - (1 << s) + 1 : v; }

std::uint8_t clamp8(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

enum class Coding { Progressive, Sequential };

std::optional<Bitmap> dc_preview(Bytes data, const Limits& limits, Coding coding) {
    ByteReader r(data);
    if (r.u16be() != 0xFFD8) return std::nullopt;
    std::array<std::array<int, 2>, 4> quant_dc{};  // element 0 of each table, and whether defined
    std::vector<Huffman> dc_tables(4), ac_tables(4);  // 12 kB each, not on the stack
    std::vector<Component> comps;
    int width = 0, height = 0, restart_interval = 0;
    bool framed = false;  // a frame header of the coding asked for

    for (;;) {
        if (r.u8() != 0xFF) return std::nullopt;
        std::uint8_t marker = r.u8();
        while (marker == 0xFF && r.ok()) marker = r.u8();
        if (!r.ok()) return std::nullopt;
        const std::uint16_t length = r.u16be();
        if (length < 2) return std::nullopt;
        ByteReader seg(r.take(length - 2u));
        if (!r.ok()) return std::nullopt;

        switch (marker) {
            case 0xDB:  // quantisation tables
                while (seg.remaining() > 0) {
                    const std::uint8_t pq_tq = seg.u8();
                    const int id = pq_tq & 15, precision = pq_tq >> 4;
                    if (id > 3 || precision > 1) return std::nullopt;
                    const int q0 = precision ? seg.u16be() : seg.u8();
                    seg.skip(precision ? 126 : 63);
                    if (!seg.ok()) return std::nullopt;
                    quant_dc[static_cast<std::size_t>(id)] = {q0, 1};
                }
                break;
            case 0xC4:  // Huffman tables
                while (seg.remaining() > 0) {
                    const std::uint8_t tc_th = seg.u8();
                    const Bytes counts = seg.take(16);
                    if (!seg.ok()) return std::nullopt;
                    std::size_t total = 0;
                    for (std::uint8_t c : counts) total += c;
                    const Bytes values = seg.take(total);
                    if (!seg.ok() || total > 256 || (tc_th & 15) > 3) return std::nullopt;
                    if ((tc_th >> 4) == 0 && !build(dc_tables[tc_th & 15], counts, values)) return std::nullopt;
                    if ((tc_th >> 4) == 1 && coding == Coding::Sequential &&
                        !build(ac_tables[tc_th & 15], counts, values))
                        return std::nullopt;
                }
                break;
            case 0xDD:  // restart interval
                restart_interval = seg.u16be();
                if (!seg.ok()) return std::nullopt;
                break;
            case 0xC0:    // baseline
            case 0xC1:    // extended sequential, Huffman-coded
            case 0xC2: {  // progressive, Huffman-coded
                if ((marker == 0xC2) != (coding == Coding::Progressive)) return std::nullopt;
                if (seg.u8() != 8) return std::nullopt;
                height = seg.u16be();
                width = seg.u16be();
                const int n = seg.u8();
                if (!seg.ok() || width == 0 || height == 0 || (n != 1 && n != 3)) return std::nullopt;
                for (int i = 0; i < n; ++i) {
                    Component c;
                    c.id = seg.u8();
                    const std::uint8_t hv = seg.u8();
                    c.h = hv >> 4, c.v = hv & 15, c.quant = seg.u8();
                    if (c.h < 1 || c.h > 2 || c.v < 1 || c.v > 2 || c.quant > 3) return std::nullopt;
                    comps.push_back(c);
                }
                if (!seg.ok()) return std::nullopt;
                // Component ids R, G, B mean RGB to libjpeg, not YCbCr: leave those to it.
                if (n == 3 && comps[0].id == 'R' && comps[1].id == 'G' && comps[2].id == 'B') return std::nullopt;
                framed = true;
                break;
            }
            case 0xC3: case 0xC5: case 0xC6: case 0xC7:
            case 0xC9: case 0xCA: case 0xCB: case 0xCD: case 0xCE: case 0xCF:
                return std::nullopt;  // lossless, hierarchical or arithmetic-coded: libjpeg's
            case 0xEE:  // Adobe: its colour transform flag decides, leave it to libjpeg
                return std::nullopt;
            case 0xDA: {  // the first scan
                if (!framed) return std::nullopt;
                const int n = seg.u8();
                if (!seg.ok() || n != static_cast<int>(comps.size())) return std::nullopt;
                for (int i = 0; i < n; ++i) {
                    const int id = seg.u8();
                    const int tables = seg.u8();
                    if (comps[static_cast<std::size_t>(i)].id != id) return std::nullopt;
                    comps[static_cast<std::size_t>(i)].dc_table = tables >> 4;
                    comps[static_cast<std::size_t>(i)].ac_table = tables & 15;
                }
                const int ss = seg.u8(), se = seg.u8(), ah_al = seg.u8();
                // A progressive file's first scan must be the DC one; a
                // sequential file's one scan holds every coefficient.
                const int last = coding == Coding::Progressive ? 0 : 63;
                if (!seg.ok() || ss != 0 || se != last || (ah_al >> 4) != 0) return std::nullopt;
                if (coding == Coding::Sequential && (ah_al & 15) != 0) return std::nullopt;
                const int al = ah_al & 15;
                if (al > 13) return std::nullopt;

                if (check_dimensions(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height), limits))
                    return std::nullopt;
                // A scan of one component is not interleaved: its units are
                // single blocks, whatever the sampling factors say.
                if (comps.size() == 1) comps[0].h = comps[0].v = 1;
                int hmax = 1, vmax = 1;
                for (const Component& c : comps) hmax = std::max(hmax, c.h), vmax = std::max(vmax, c.v);
                const int mcus_x = (width + 8 * hmax - 1) / (8 * hmax);
                const int mcus_y = (height + 8 * vmax - 1) / (8 * vmax);
                for (Component& c : comps) {
                    if (c.dc_table > 3 || !dc_tables[static_cast<std::size_t>(c.dc_table)].defined) return std::nullopt;
                    if (coding == Coding::Sequential &&
                        (c.ac_table > 3 || !ac_tables[static_cast<std::size_t>(c.ac_table)].defined))
                        return std::nullopt;
                    if (!quant_dc[static_cast<std::size_t>(c.quant)][1]) return std::nullopt;
                    c.blocks_w = mcus_x * c.h;
                    c.blocks_h = mcus_y * c.v;
                    try {
                        c.dc.assign(static_cast<std::size_t>(c.blocks_w) * static_cast<std::size_t>(c.blocks_h), 0);
                    } catch (const std::bad_alloc&) {
                        return std::nullopt;
                    }
                }

                BitReader bits(data, r.position());
                int restarts = 0, until_restart = restart_interval;
                for (int my = 0; my < mcus_y; ++my) {
                    for (int mx = 0; mx < mcus_x; ++mx) {
                        if (restart_interval) {
                            if (until_restart == 0) {
                                if (bits.failed() || !bits.restart(restarts++)) return std::nullopt;
                                for (Component& c : comps) c.predictor = 0;
                                until_restart = restart_interval;
                            }
                            --until_restart;
                        }
                        for (Component& c : comps) {
                            const Huffman& table = dc_tables[static_cast<std::size_t>(c.dc_table)];
                            const Huffman& ac = ac_tables[static_cast<std::size_t>(c.ac_table)];
                            for (int by = 0; by < c.v; ++by)
                                for (int bx = 0; bx < c.h; ++bx) {
                                    bits.need32();
                                    const int s = decode_symbol(bits, table);
                                    if (s < 0 || s > 11) return std::nullopt;
                                    const int diff = s ? extend(bits.bits(s), s) : 0;
                                    c.predictor += diff;
                                    if (c.predictor < -32768 || c.predictor > 32767) return std::nullopt;
                                    const std::size_t at =
                                        static_cast<std::size_t>(my * c.v + by) * static_cast<std::size_t>(c.blocks_w) +
                                        static_cast<std::size_t>(mx * c.h + bx);
                                    c.dc[at] = static_cast<std::int16_t>(c.predictor);
                                    if (coding == Coding::Sequential && !skip_ac(bits, ac)) return std::nullopt;
                                }
                        }
                    }
                    if (bits.failed()) return std::nullopt;  // a cut file: libjpeg knows how to show what came
                }

                // One pixel per block of the largest component: as libjpeg's 1x1
                // inverse DCT, pixel = 128 + (DC * q + 4) / 8.
                auto out = allocate_bitmap((width + 7) / 8, (height + 7) / 8, limits, nullptr, Fill::Uninitialised);
                if (!out) return std::nullopt;
                // Each block's value once, and which block of each component
                // every output column and row takes.
                std::vector<std::vector<std::uint8_t>> values(comps.size());
                std::vector<std::vector<std::uint32_t>> columns(comps.size());
                try {
                    for (std::size_t i = 0; i < comps.size(); ++i) {
                        const Component& c = comps[i];
                        const std::int64_t q = quant_dc[static_cast<std::size_t>(c.quant)][0];
                        values[i].resize(c.dc.size());
                        for (std::size_t b = 0; b < c.dc.size(); ++b) {
                            const std::int64_t coef = c.dc[b] * (std::int64_t{1} << al);
                            values[i][b] = static_cast<std::uint8_t>(std::clamp<std::int64_t>(128 + ((coef * q + 4) >> 3), 0, 255));
                        }
                        columns[i].resize(static_cast<std::size_t>(out->width));
                        for (int x = 0; x < out->width; ++x)
                            columns[i][static_cast<std::size_t>(x)] = static_cast<std::uint32_t>(x * c.h / hmax);
                    }
                } catch (const std::bad_alloc&) {
                    return std::nullopt;
                }
                auto row_of = [&](std::size_t i, int y) {
                    const Component& c = comps[i];
                    return values[i].data() + static_cast<std::size_t>(y * c.v / vmax) * static_cast<std::size_t>(c.blocks_w);
                };
                for (int y = 0; y < out->height; ++y) {
                    std::uint8_t* p = out->row(y);
                    const std::uint8_t* lum = row_of(0, y);
                    const std::uint32_t* lum_x = columns[0].data();
                    if (comps.size() == 1) {
                        for (int x = 0; x < out->width; ++x, p += 4) p[0] = p[1] = p[2] = lum[lum_x[x]], p[3] = 255;
                        continue;
                    }
                    const std::uint8_t *blue = row_of(1, y), *red = row_of(2, y);
                    const std::uint32_t *blue_x = columns[1].data(), *red_x = columns[2].data();
                    for (int x = 0; x < out->width; ++x, p += 4) {
                        // YCbCr to RGB with libjpeg's 16-bit fixed-point factors.
                        const int luma = lum[lum_x[x]], cb = blue[blue_x[x]] - 128, cr = red[red_x[x]] - 128;
                        p[2] = clamp8(luma + ((91881 * cr + 32768) >> 16));
                        p[1] = clamp8(luma + ((-22554 * cb - 46802 * cr + 32768) >> 16));
                        p[0] = clamp8(luma + ((116130 * cb + 32768) >> 16));
                        p[3] = 255;
                    }
                }
                return std::move(*out);
            }
            default:
                if (marker == 0xD8 || marker == 0xD9) return std::nullopt;
                break;  // APPn, COM and the like: skipped
        }
    }
}

}  // namespace

std::optional<Bitmap> progressive_dc_preview(Bytes data, const Limits& limits) {
    return dc_preview(data, limits, Coding::Progressive);
}

std::optional<Bitmap> sequential_dc_preview(Bytes data, const Limits& limits) {
    return dc_preview(data, limits, Coding::Sequential);
}

}  // namespace tovalin::picture
