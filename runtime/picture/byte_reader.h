// A bounded reader over a picture value. A read past the end fails, and the
// failure sticks: every later read fails too and yields 0, so a decoder can
// read a whole header and test `ok()` once, and a cut-off file can never turn
// silently into pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tovalin::picture {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

    bool ok() const { return ok_; }
    std::size_t position() const { return pos_; }
    std::size_t size() const { return data_.size(); }
    std::size_t remaining() const { return ok_ ? data_.size() - pos_ : 0; }
    std::span<const std::uint8_t> data() const { return data_; }

    std::uint8_t u8() {
        if (!need(1)) return 0;
        return data_[pos_++];
    }
    std::uint16_t u16le() {
        if (!need(2)) return 0;
        std::uint16_t v = static_cast<std::uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
        pos_ += 2;
        return v;
    }
    std::uint32_t u32le() {
        if (!need(4)) return 0;
        std::uint32_t v = static_cast<std::uint32_t>(data_[pos_]) | static_cast<std::uint32_t>(data_[pos_ + 1]) << 8 |
                          static_cast<std::uint32_t>(data_[pos_ + 2]) << 16 |
                          static_cast<std::uint32_t>(data_[pos_ + 3]) << 24;
        pos_ += 4;
        return v;
    }
    std::int32_t i32le() { return static_cast<std::int32_t>(u32le()); }
    std::uint16_t u16be() {
        if (!need(2)) return 0;
        std::uint16_t v = static_cast<std::uint16_t>(data_[pos_] << 8 | data_[pos_ + 1]);
        pos_ += 2;
        return v;
    }
    std::uint32_t u32be() {
        if (!need(4)) return 0;
        std::uint32_t v = static_cast<std::uint32_t>(data_[pos_]) << 24 |
                          static_cast<std::uint32_t>(data_[pos_ + 1]) << 16 |
                          static_cast<std::uint32_t>(data_[pos_ + 2]) << 8 | static_cast<std::uint32_t>(data_[pos_ + 3]);
        pos_ += 4;
        return v;
    }

    // The next n bytes, or an empty span (and failure) if fewer are left.
    std::span<const std::uint8_t> take(std::size_t n) {
        if (!need(n)) return {};
        auto s = data_.subspan(pos_, n);
        pos_ += n;
        return s;
    }
    bool skip(std::size_t n) { return !take(n).empty() || n == 0; }
    bool seek(std::size_t offset) {
        if (!ok_ || offset > data_.size()) return ok_ = false;
        pos_ = offset;
        return true;
    }

private:
    bool need(std::size_t n) {
        if (ok_ && n <= data_.size() - pos_) return true;
        ok_ = false;
        return false;
    }

    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

}  // namespace tovalin::picture
