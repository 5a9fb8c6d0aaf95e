#include "settings/saved_options.h"

#include "ops/quantize.h"
#include "settings/settings.h"

namespace lg {

SaveOptions SavedSaveOptions(bool paletteDisplay) {
    SaveOptions o;
    o.paletteDisplay = paletteDisplay;
    o.jpegQuality = ReadSetting(Setting::JpegSaveQuality);
    o.jpegGrayscale = ReadSetting(Setting::JpegSaveGrayscale) != 0;
    o.jpegProgressive = ReadSetting(Setting::JpegSaveProgressive) != 0;
    o.gifInterlaced = ReadSetting(Setting::GifSaveInterlaced) != 0;
    o.gifTransparent = ReadSetting(Setting::GifSaveTransparent) ? ReadSetting(Setting::GifTransparency) : -1;
    o.tiffCompression = ReadSetting(Setting::TiffSaveCompression);
    o.webpQuality = ReadSetting(Setting::WebpSaveQuality);
    o.webpLossless = ReadSetting(Setting::WebpSaveLossless) != 0;
    return o;
}

ReadOptions SavedReadOptions() {
    ReadOptions o;
    o.grayscale = ReadSetting(Setting::JpegLoadGrayscale) != 0;
    o.pcdSize = ReadSetting(Setting::PhotoCdLoadingSize);
    o.autoRotate = ReadSetting(Setting::AutoRotate) != 0;
    return o;
}

ConvertOptions SavedConvertOptions(bool paletteDisplay) {
    return {SavedReadOptions(), SavedSaveOptions(paletteDisplay)};
}

void ApplySavedReduction() {
    SetReduction(ReadSetting(Setting::BetterReduction) != 0 ? Reduction::Better : Reduction::MedianCut);
}

}  // namespace lg
