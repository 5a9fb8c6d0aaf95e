// Writing a picture in the type its output name ends with: the copy each
// writer needs, the options the caller passes, and the failure messages.
// The Save dialog's type list comes from the format table.
#pragma once

#include <string>

#include "core/image.h"
#include "formats/codec.h"
#include "formats/status.h"

namespace lg {

struct SaveType;

// Writes `img` to `outName`; the caller's picture is never changed. On
// failure `message` holds the text to show (the caller shows it when the save
// was asked for interactively). A failed save leaves an existing file as it was.
bool SaveImage(const Image& img, const std::string& outName, const SaveOptions& opt, std::string* message);

// The message of a writer's failure: "BMP Save error ! - reason" and the
// like, as each type words it (`ending` is the type's, "BMP").
std::string SaveFailureText(const std::string& ending, const Status& st);

// The save type an output name asks for: the one whose ending the name's
// last characters spell; null for none.
const SaveType* SaveTypeOfName(const std::string& outName);

// `opt` with the metadata of the loaded photo `facts` to write again: its
// Exif block, orientation reset when the picture was turned since, and ICC
// profile. `facts` must outlive the options.
SaveOptions KeepingMetadata(SaveOptions opt, const PictureFacts& facts);

// Save types in the Save dialog's order, filter index 1 .. SaveTypeCount().
int SaveTypeCount();
// The type's extension, ".jpg" ...; empty outside the list.
std::string SaveTypeExtension(int filterIndex);
// The filter index of a name's extension (".GIF" or ".gif": 2); 0 for none.
int SaveTypeOfExtension(const std::string& extension);
std::string SaveFilterString();
// Appends the type's extension unless the name already holds it (either case).
std::string AppendExtension(const std::string& name, int filterIndex);

// A 24-bit picture reduced to 256 colours for a writer that needs a palette;
// `failure` says so when that fails.
Image ReduceForPalette(const Image& img, std::string& failure);

}  // namespace lg
