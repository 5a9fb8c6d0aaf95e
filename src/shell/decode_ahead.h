// Decoding the neighbours of the shown picture ahead, on a worker thread, so
// that a step to one of them only swaps it in. The worker runs the reading
// part of a load (DecodePicture) on a snapshot of the load settings; the
// message thread takes a finished picture over only when the file, its
// directory, its type and the settings are what they were, and otherwise
// loads as it always did.
#pragma once

#include <string>

#include "formats/load.h"
#include "shell/app.h"

namespace lg {

// The worker posts the registered message of this name to the main window
// after each decode; the window counts them in its property of the same name
// (a driving program waits for it before it steps).
constexpr const char kDecodedAheadProp[] = "Lumagrove.DecodedAhead";
// Of those, the decodes given up part-way because the picture was no longer
// wanted (counted in this property as well).
constexpr const char kCancelledAheadProp[] = "Lumagrove.CancelledAhead";
UINT DecodedAheadMessage();
void CountDecodedAhead(HWND mainWindow, bool cancelled);

// Starts the worker when [Viewing] Preload is on, stops it when off; drops
// what was decoded with the settings before.
void ConfigureDecodeAhead(App& app);
// Stops the worker and frees what it holds.
void StopDecodeAhead(App& app);
// After a picture was shown: the next and the previous file of the list,
// the direction of travel first, replace what is held.
void DecodeNeighboursAhead(App& app, const LoadRequest& req);
// The settings a load of the viewer depends on, as the message thread holds
// them (the snapshot handed to the worker).
LoadRequest ViewLoadRequest(const App& app);
// At start-up, before the window is made: the file named on the command line
// (app.fileName, in the current directory) is read on the worker while the
// window is built; the first load takes it over like a neighbour's.
void DecodeFirstAhead(App& app);
// Drops everything decoded ahead (the directory was read again, a file
// operation, any other command).
void ForgetDecodedAhead(App& app);
// Whether a command leaves what was decoded ahead standing: the steps, zoom
// and full screen. Every other command may change files or settings.
bool KeepsDecodedAhead(int command);
// The load's hand-over: true with `out` filled when `fileName` (in the
// current directory, of type `format`) was decoded ahead with `req` and has
// not changed since. Waits for the worker when it is decoding that file.
bool TakeDecodedAhead(App& app, const std::string& fileName, int format, const LoadRequest& req,
                      DecodedPicture& out);
// After a load: `picture` (about to be shown) is the one the load read from
// its file, unchanged since (not fitted to the desktop). Noted so that it can
// be kept when the user steps off it.
void NoteShownPicture(App& app, const Image& picture);
// Before the shown picture goes: when it is still the picture as loaded (no
// command ran since, not replaced), it moves into the cache as its file's
// entry, so that stepping back to it needs no decode.
void KeepShownPicture(App& app);

}  // namespace lg
