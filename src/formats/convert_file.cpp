#include "formats/convert_file.h"

#include "core/messages.h"
#include "core/strings.h"
#include "formats/load.h"
#include "formats/save.h"

namespace lg {

ConvertResult ConvertFile(const std::string& input, const std::string& output, const ConvertOptions& opt,
                          std::string* message) {
    Status st;
    PictureFacts facts;
    Image img = LoadQuiet(input, opt.read, st, &facts);
    if (!img) {
        *message = Format("%s: %s (%s)", Msg(MsgId::ErrorCantLoad), input.c_str(), st.error.c_str());
        return ConvertResult::LoadFailed;
    }
    if (!SaveImage(img, output, KeepingMetadata(opt.save, facts), message)) return ConvertResult::SaveFailed;
    return ConvertResult::Ok;
}

}  // namespace lg
