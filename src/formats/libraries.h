// Versions of the codec libraries linked into this build.
#pragma once

#include <string>

namespace lg {

// "libjpeg-turbo 62 (...), libpng 1.6.39, zlib 1.2.13, LIBTIFF, Version 4.5.0"
std::string LibraryVersions();

}  // namespace lg
