#include "formats/convert_file.h"

#include <algorithm>

#include "core/messages.h"
#include "core/strings.h"
#include "formats/bmp.h"
#include "formats/exif.h"
#include "formats/format_table.h"
#include "formats/jpeg.h"
#include "formats/load.h"
#include "formats/row_bands.h"
#include "formats/save.h"

namespace lg {
namespace {

std::string LoadFailure(const std::string& input, const Status& st) {
    return Format("%s: %s (%s)", Msg(MsgId::ErrorCantLoad), input.c_str(), st.error.c_str());
}

// A JPEG file into a BMP file without the picture ever whole in memory: bands
// of rows go to their place in the bottom-up file as they are decoded, on a
// second thread where there is one. The file holds the very bytes the usual
// way (load, then save) writes, and a failure gives the same message.
// False when this conversion needs the usual way: not JPEG to BMP, a palette
// from the library, a photo to be turned upright, or a failure before any
// row was decoded (the usual way then meets it again and reports it).
bool ConvertJpegToBmp(const std::string& input, const std::string& output, const ConvertOptions& opt,
                      ConvertResult& result, std::string& message) {
    const SaveType* type = SaveTypeOfName(output);
    if (!type || type->write != SaveBmp || type->copy || opt.read.paletteDisplay) return false;
    ByteSource in = ByteSource::OpenFile(input);
    if (!in.ok() || DetectSourceFormat(in, input) != kFormatJpeg) return false;
    in.rewind();
    in.setLimits(opt.read.limits);
    ReadOptions read = opt.read;
    read.quiet = true;
    JpegMetadata meta;
    JpegRowReader jpeg;
    Status st;
    if (!jpeg.start(in, read, st, read.autoRotate ? &meta : nullptr) || jpeg.quantized()) return false;
    const int orientation = read.autoRotate ? ExifOrientation(meta.exif.data(), meta.exif.size()) : 0;
    if (orientation >= 2 && orientation <= 8) return false;

    const int depth = jpeg.bitCount(), height = jpeg.height();
    uint8_t table[256 * 4];
    jpeg.palette(table);
    int xRes = 0, yRes = 0;
    jpeg.resolution(xRes, yRes);
    BmpBandWriter bmp;
    Status written;
    if (!bmp.open(output, jpeg.width(), height, depth, table, depth == 8 ? 256 : 0, xRes, yRes, written))
        return false;
    const size_t stride = bmp.stride();
    // The file stores the bottom row first: a band's rows go in from its end.
    const BandProducer decode = [&](int, int count, uint8_t* band) {
        uint8_t* rows[64];
        for (int done = 0; done < count;) {
            const int n = std::min(count - done, 64);
            for (int i = 0; i < n; ++i) rows[i] = band + size_t(count - 1 - done - i) * stride;
            if (!jpeg.readRows(rows, n, st)) return false;
            done += n;
        }
        return true;
    };
    const BandConsumer write = [&](int top, int count, const uint8_t* band) {
        return bmp.writeBand(top, count, band);
    };
    RowBandsResult run;
    if (!RunRowBands(height, RowsPerBand(stride, 16), stride, decode, write, run)) return false;
    if (!run.produced) {
        if (st.error.empty()) st.error = Msg(MsgId::DecodeError);
        message = LoadFailure(input, st);
        result = ConvertResult::LoadFailed;
        return true;
    }
    jpeg.finish();
    in = ByteSource();  // closed before the rename: the target may be the input itself
    if (!run.consumed) written.error = Msg(MsgId::CantWriteFile);
    if (!run.consumed || !bmp.commit(written)) {
        message = SaveFailureText(type->ending, written);
        result = ConvertResult::SaveFailed;
        return true;
    }
    result = ConvertResult::Ok;
    return true;
}

}  // namespace

ConvertResult ConvertFile(const std::string& input, const std::string& output, const ConvertOptions& opt,
                          std::string* message) {
    std::string ignored;
    std::string& msg = message ? *message : ignored;
    ConvertResult result = ConvertResult::Ok;
    if (ConvertJpegToBmp(input, output, opt, result, msg)) return result;
    Status st;
    PictureFacts facts;
    Image img = LoadQuiet(input, opt.read, st, &facts);
    if (!img) {
        msg = LoadFailure(input, st);
        return ConvertResult::LoadFailed;
    }
    if (!SaveImage(img, output, KeepingMetadata(opt.save, facts), &msg)) return ConvertResult::SaveFailed;
    return ConvertResult::Ok;
}

}  // namespace lg
