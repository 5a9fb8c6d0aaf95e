#include "formats/convert_file.h"

#include "core/messages.h"
#include "formats/load.h"
#include "formats/save.h"
#include "formats/status.h"

namespace lg {

ConvertResult ConvertFile(const std::string& input, const std::string& output, std::string* message) {
    Status st;
    Image img = LoadQuiet(input, st);
    if (!img) {
        *message = Format("%s: %s (%s)", Msg(MsgId::ErrorCantLoad), input.c_str(), st.error.c_str());
        return ConvertResult::LoadFailed;
    }
    if (!SaveImage(img, output, false, message)) return ConvertResult::SaveFailed;
    return ConvertResult::Ok;
}

}  // namespace lg
