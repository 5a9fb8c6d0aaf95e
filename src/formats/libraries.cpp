#include "formats/libraries.h"

#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <zlib.h>

#include "core/strings.h"

namespace lg {

std::string LibraryVersions() {
    // The libjpeg version is the interface number; the library answers for itself.
    jpeg_error_mgr err;
    jpeg_decompress_struct probe;
    probe.err = jpeg_std_error(&err);
    jpeg_create_decompress(&probe);
    jpeg_destroy_decompress(&probe);
    std::string tiff = TIFFGetVersion();
    size_t nl = tiff.find('\n');
    if (nl != std::string::npos) tiff.resize(nl);
    return Format("libjpeg %d, libpng %s, zlib %s, %s", JPEG_LIB_VERSION, png_get_header_ver(nullptr),
                  zlibVersion(), tiff.c_str());
}

}  // namespace lg
