#include "jpeg_dc.h"

#include <algorithm>
#include <array>

#include "bitmap_alloc.h"
#include "byte_reader.h"

namespace tovalin::picture {
namespace {

struct Huffman {
    bool defined = false;
    // The classic decoding tables: codes of length l run from mincode[l] to
    // maxcode[l] and map to values from valptr[l] on.
    std::array<int, 18> maxcode{};
    std::array<int, 17> mincode{};
    std::array<int, 17> valptr{};
    std::array<std::uint8_t, 256> values{};
};

struct Component {
    int id = 0, h = 1, v = 1, quant = 0;
    int dc_table = 0;
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
    t.defined = true;
    return true;
}

// Entropy-coded bits, with 0xFF 0x00 stuffing removed. A marker ends the
// bits: reads past it give zeros and set `hit_marker`.
class BitReader {
public:
    BitReader(Bytes data, std::size_t pos) : data_(data), pos_(pos) {}

    int bit() {
        if (count_ == 0) fill();
        --count_;
        return (byte_ >> count_) & 1;
    }
    int bits(int n) {
        int v = 0;
        while (n--) v = v << 1 | bit();
        return v;
    }
    // After a restart interval: drop the partial byte and expect RSTn.
    bool restart(int n) {
        count_ = 0;
        while (pos_ + 1 < data_.size() && data_[pos_] == 0xFF && data_[pos_ + 1] == 0xFF) ++pos_;  // fill bytes
        if (pos_ + 1 >= data_.size() || data_[pos_] != 0xFF || data_[pos_ + 1] != 0xD0 + (n & 7)) return false;
        pos_ += 2;
        return true;
    }
    // The coded data ran into a marker or the end of the file before the
    // scan was complete: a damaged file.
    bool failed() const { return hit_marker_ || past_end_; }

private:
    void fill() {
        count_ = 8;
        byte_ = 0;
        if (hit_marker_) return;
        if (pos_ >= data_.size()) {
            past_end_ = true;
            return;
        }
        const std::uint8_t b = data_[pos_++];
        if (b != 0xFF) {
            byte_ = b;
            return;
        }
        if (pos_ < data_.size() && data_[pos_] == 0x00) {
            ++pos_;
            byte_ = 0xFF;
            return;
        }
        hit_marker_ = true;
    }

    Bytes data_;
    std::size_t pos_;
    std::uint8_t byte_ = 0;
    int count_ = 0;
    bool hit_marker_ = false;
    bool past_end_ = false;
};

int decode_symbol(BitReader& in, const Huffman& t) {
    int code = in.bit();
    int l = 1;
    while (code > t.maxcode[static_cast<std::size_t>(l)]) {
        if (++l > 16) return -1;
        code = code << 1 | in.bit();
    }
    const int index = t.valptr[static_cast<std::size_t>(l)] + code - t.mincode[static_cast<std::size_t>(l)];
    return index >= 0 && index < 256 ? t.values[static_cast<std::size_t>(index)] : -1;
}

// The value of `bits` received bits for a difference of category s.
int extend(int v, int s) { return v < (1 << (s - 1)) ? v - (1 << s) + 1 : v; }

std::uint8_t clamp8(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

}  // namespace

std::optional<Bitmap> progressive_dc_preview(Bytes data, const Limits& limits) {
    ByteReader r(data);
    if (r.u16be() != 0xFFD8) return std::nullopt;
    std::array<std::array<int, 2>, 4> quant_dc{};  // element 0 of each table, and whether defined
    std::array<Huffman, 4> dc_tables;
    std::vector<Component> comps;
    int width = 0, height = 0, restart_interval = 0;
    bool progressive = false;

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
                }
                break;
            case 0xDD:  // restart interval
                restart_interval = seg.u16be();
                if (!seg.ok()) return std::nullopt;
                break;
            case 0xC2: {  // progressive, Huffman-coded
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
                progressive = true;
                break;
            }
            case 0xC0: case 0xC1: case 0xC3: case 0xC5: case 0xC6: case 0xC7:
            case 0xC9: case 0xCA: case 0xCB: case 0xCD: case 0xCE: case 0xCF:
                return std::nullopt;  // not progressive Huffman: libjpeg's
            case 0xEE:  // Adobe: its colour transform flag decides, leave it to libjpeg
                return std::nullopt;
            case 0xDA: {  // the first scan
                if (!progressive) return std::nullopt;
                const int n = seg.u8();
                if (!seg.ok() || n != static_cast<int>(comps.size())) return std::nullopt;
                for (int i = 0; i < n; ++i) {
                    const int id = seg.u8();
                    const int tables = seg.u8();
                    if (comps[static_cast<std::size_t>(i)].id != id) return std::nullopt;
                    comps[static_cast<std::size_t>(i)].dc_table = tables >> 4;
                }
                const int ss = seg.u8(), se = seg.u8(), ah_al = seg.u8();
                if (!seg.ok() || ss != 0 || se != 0 || (ah_al >> 4) != 0) return std::nullopt;
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
                    if (!quant_dc[static_cast<std::size_t>(c.quant)][1]) return std::nullopt;
                    c.blocks_w = mcus_x * c.h;
                    c.blocks_h = mcus_y * c.v;
                    c.dc.assign(static_cast<std::size_t>(c.blocks_w) * static_cast<std::size_t>(c.blocks_h), 0);
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
                            for (int by = 0; by < c.v; ++by)
                                for (int bx = 0; bx < c.h; ++bx) {
                                    const int s = decode_symbol(bits, table);
                                    if (s < 0 || s > 11) return std::nullopt;
                                    const int diff = s ? extend(bits.bits(s), s) : 0;
                                    c.predictor += diff;
                                    if (c.predictor < -32768 || c.predictor > 32767) return std::nullopt;
                                    const std::size_t at =
                                        static_cast<std::size_t>(my * c.v + by) * static_cast<std::size_t>(c.blocks_w) +
                                        static_cast<std::size_t>(mx * c.h + bx);
                                    c.dc[at] = static_cast<std::int16_t>(c.predictor);
                                }
                        }
                    }
                    if (bits.failed()) return std::nullopt;  // a cut file: libjpeg knows how to show what came
                }

                // One pixel per block of the largest component: as libjpeg's 1x1
                // inverse DCT, pixel = 128 + (DC * q + 4) / 8.
                auto out = allocate_bitmap((width + 7) / 8, (height + 7) / 8, limits, nullptr, Fill::Uninitialised);
                if (!out) return std::nullopt;
                auto sample = [&](const Component& c, int x, int y) {
                    const int cx = x * c.h / hmax, cy = y * c.v / vmax;
                    const std::int64_t coef = c.dc[static_cast<std::size_t>(cy) * static_cast<std::size_t>(c.blocks_w) +
                                                   static_cast<std::size_t>(cx)] * (std::int64_t{1} << al);
                    const std::int64_t q = quant_dc[static_cast<std::size_t>(c.quant)][0];
                    return clamp8(static_cast<int>(std::clamp<std::int64_t>(128 + ((coef * q + 4) >> 3), 0, 255)));
                };
                for (int y = 0; y < out->height; ++y) {
                    std::uint8_t* p = out->row(y);
                    for (int x = 0; x < out->width; ++x, p += 4) {
                        const int luma = sample(comps[0], x, y);
                        if (comps.size() == 1) {
                            p[0] = p[1] = p[2] = static_cast<std::uint8_t>(luma);
                        } else {
                            // YCbCr to RGB with libjpeg's 16-bit fixed-point factors.
                            const int cb = sample(comps[1], x, y) - 128, cr = sample(comps[2], x, y) - 128;
                            p[2] = clamp8(luma + ((91881 * cr + 32768) >> 16));
                            p[1] = clamp8(luma + ((-22554 * cb - 46802 * cr + 32768) >> 16));
                            p[0] = clamp8(luma + ((116130 * cb + 32768) >> 16));
                        }
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

}  // namespace tovalin::picture
