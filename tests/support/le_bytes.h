// Little-endian fields of hand-made files (bitmap and icon headers), for
// tests that build or patch them byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tovalin::test {

using File = std::vector<std::uint8_t>;

inline std::uint32_t get32(const File& f, std::size_t at) {
    return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | static_cast<std::uint32_t>(f[at + 3]) << 24;
}
inline void set16(File& f, std::size_t at, std::uint32_t v) {
    f[at] = static_cast<std::uint8_t>(v), f[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void set32(File& f, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void add16(File& f, std::uint32_t v) { f.resize(f.size() + 2), set16(f, f.size() - 2, v); }
inline void add32(File& f, std::uint32_t v) { f.resize(f.size() + 4), set32(f, f.size() - 4, v); }

}  // namespace tovalin::test
