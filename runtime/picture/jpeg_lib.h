// jpeglib.h uses size_t and FILE without including their headers.
#pragma once

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>
