#pragma once

#include <string>

#include "slot_model.h"

namespace tovalin::slots {

// The complete contents of a regular file, read in one piece and never
// written. Empty bytes for an empty path, a missing file, a folder, a file
// that cannot be opened, a file of length 0, or one too large for memory.
// Only regular files are read: a FIFO, socket or device reads as empty at
// once (opening a FIFO for reading would wait for a writer, and the program
// with it).
Picture read_whole_file(const std::string& path);

}  // namespace tovalin::slots
