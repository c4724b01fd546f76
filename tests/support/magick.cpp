#include "support/magick.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace tovalin::test {

std::vector<std::uint8_t> read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tovalin-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) ADD_FAILURE() << "mkdtemp failed";
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string run(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run: " << command;
        return output;
    }
    char buffer[65536];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    const int status = pclose(pipe);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ADD_FAILURE() << "command failed: " << command;
    return output;
}

std::vector<std::uint8_t> make_with_convert(const std::string& args, const std::filesystem::path& out) {
    run("convert " + args + " " + quoted(out.string()));
    return read_file(out);
}

picture::Bitmap magick_decode(const std::filesystem::path& file, const std::string& options,
                              const std::string& read_options) {
    const std::string input = read_options + " " + quoted(file.string() + "[0]");
    std::istringstream size(run("convert " + input + " " + options + " -format '%w %h' info:"));
    picture::Bitmap b;
    size >> b.width >> b.height;
    const std::string rgba = run("convert " + input + " " + options + " -depth 8 rgba:-");
    if (rgba.size() != static_cast<std::size_t>(b.width) * static_cast<std::size_t>(b.height) * 4) {
        ADD_FAILURE() << "ImageMagick gave " << rgba.size() << " bytes for " << file;
        return {};
    }
    b.bgra.assign(rgba.begin(), rgba.end());
    for (std::size_t i = 0; i < b.bgra.size(); i += 4) {
        std::swap(b.bgra[i], b.bgra[i + 2]);
        if (b.bgra[i + 3] != 255) b.has_alpha = true;
    }
    return b;
}

std::vector<picture::Bitmap> magick_decode_frames(const std::filesystem::path& file) {
    const std::string input = quoted(file.string()) + " -coalesce";
    std::istringstream sizes(run("convert " + input + " -format '%w %h\\n' info:"));
    std::vector<picture::Bitmap> frames;
    std::size_t total = 0;
    for (int w, h; sizes >> w >> h;) {
        picture::Bitmap b;
        b.width = w, b.height = h;
        frames.push_back(b);
        total += static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4;
    }
    const std::string rgba = run("convert " + input + " -depth 8 rgba:-");
    if (rgba.size() != total) {
        ADD_FAILURE() << "ImageMagick gave " << rgba.size() << " bytes for the frames of " << file;
        return {};
    }
    std::size_t at = 0;
    for (picture::Bitmap& b : frames) {
        const std::size_t n = static_cast<std::size_t>(b.width) * static_cast<std::size_t>(b.height) * 4;
        b.bgra.assign(rgba.begin() + static_cast<std::ptrdiff_t>(at), rgba.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
        for (std::size_t i = 0; i < n; i += 4) {
            std::swap(b.bgra[i], b.bgra[i + 2]);
            if (b.bgra[i + 3] != 255) b.has_alpha = true;
        }
    }
    return frames;
}

int max_difference(const picture::Bitmap& a, const picture::Bitmap& b) {
    if (a.width != b.width || a.height != b.height || a.bgra.size() != b.bgra.size()) return INT_MAX;
    int worst = 0;
    for (std::size_t i = 0; i < a.bgra.size(); ++i) worst = std::max(worst, std::abs(a.bgra[i] - b.bgra[i]));
    return worst;
}

}  // namespace tovalin::test
