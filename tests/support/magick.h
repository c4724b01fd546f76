// Fixtures made by ImageMagick at test time, and ImageMagick's own decoding
// of them as the independent reference.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "picture/picture.h"

namespace tovalin::test {

std::vector<std::uint8_t> read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// A fresh folder, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Runs a shell command; returns its standard output, and records a test
// failure when it exits non-zero.
std::string run(const std::string& command);

// `convert <args> <out>`: makes a fixture and returns its bytes.
std::vector<std::uint8_t> make_with_convert(const std::string& args, const std::filesystem::path& out);

// ImageMagick's decoding of a file, as BGRA like ours: `options` apply to
// the decoded picture (-auto-orient), `read_options` to reading it
// (-define jpeg:size=...).
picture::Bitmap magick_decode(const std::filesystem::path& file, const std::string& options = "",
                              const std::string& read_options = "");

// ImageMagick's frames of an animation, each composited on the whole
// logical screen (-coalesce), in order, as BGRA like ours.
std::vector<picture::Bitmap> magick_decode_frames(const std::filesystem::path& file);

// The largest difference of any channel of any pixel; INT_MAX when the sizes
// differ.
int max_difference(const picture::Bitmap& a, const picture::Bitmap& b);

// Single quotes for a shell word.
std::string quoted(const std::string& s);

}  // namespace tovalin::test
