#include "file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

namespace tovalin::slots {
namespace {

// More than half of the machine's memory cannot be had for one picture
// without pushing everything else out; such a file reads as empty.
bool too_large(off_t size) {
    const long pages = sysconf(_SC_PHYS_PAGES), page = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page <= 0) return false;
    return static_cast<unsigned long long>(size) > static_cast<unsigned long long>(pages) * static_cast<unsigned long long>(page) / 2;
}

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

Picture read_whole_file(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos) return {};
    struct stat st {};
    // Look before opening: opening a FIFO or a device can wait or act.
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    // O_NONBLOCK in case it has been swapped for a FIFO since.
    Fd f{::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)};
    if (f.fd < 0 || ::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) return {};
    if (st.st_size <= 0 || too_large(st.st_size)) return {};

    Picture bytes;
    try {
        bytes.resize(static_cast<std::size_t>(st.st_size));
    } catch (const std::bad_alloc&) {
        return {};
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(f.fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {};
        if (n == 0) break;  // it shrank while being read: what is there is the file
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace tovalin::slots
