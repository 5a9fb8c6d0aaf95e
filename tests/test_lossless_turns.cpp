// Lossless turns of JPEG photos: the turn arithmetic, the history that tells
// a turned picture from an edited one, and saves checked against jpegtran
// -perfect of the same file, both decoded by djpeg.
#include "support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "formats/jpeg_lossless.h"
#include "formats/format_table.h"
#include "formats/load.h"
#include "ops/geometry.h"

namespace {

using namespace lgtest;
using lg::Image;
using lg::LosslessSave;
using lg::TurnStep;
using lg::Turns;

// Turn arithmetic against the eight orientations, worked out by hand.
TEST(LosslessTurns, StepsCompose) {
    const Turns none;
    const Turns right = Then(none, TurnStep::Right);
    EXPECT_TRUE(IsUnturned(Then(Then(Then(Then(none, TurnStep::Right), TurnStep::Right), TurnStep::Right),
                                TurnStep::Right)));
    EXPECT_TRUE(IsUnturned(Then(right, TurnStep::Left)));
    EXPECT_TRUE(IsUnturned(Then(Then(none, TurnStep::FlipHorizontal), TurnStep::FlipHorizontal)));
    // Two flips are half a turn; a right turn then a horizontal flip is the transpose (5).
    EXPECT_EQ(Then(Then(none, TurnStep::FlipVertical), TurnStep::FlipHorizontal),
              Then(Then(none, TurnStep::Right), TurnStep::Right));
    EXPECT_EQ(Then(right, TurnStep::FlipHorizontal), (Turns{0, 1, 1, 0}));
    EXPECT_EQ(lg::TurnsOfOrientation(5), (Turns{0, 1, 1, 0}));
    EXPECT_EQ(lg::TurnsOfOrientation(7), (Turns{0, -1, -1, 0}));
    EXPECT_EQ(lg::TurnsOfOrientation(6), right);
    EXPECT_EQ(lg::TurnsOfOrientation(8), Then(none, TurnStep::Left));
    EXPECT_TRUE(IsUnturned(lg::TurnsOfOrientation(1)));
    EXPECT_TRUE(IsUnturned(lg::TurnsOfOrientation(9)));
    for (int v = 1; v <= 8; ++v) {
        const Turns t = lg::TurnsOfOrientation(v);
        EXPECT_TRUE(IsUnturned(Then(t, lg::Inverse(t)))) << v;
    }
}

#ifndef _WIN32
int Shell(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()); }

// djpeg's decode of a file, as PPM bytes (empty when it fails).
Bytes Djpeg(const std::string& file) {
    const std::string out = file + ".ppm";
    if (Shell("djpeg -ppm -outfile '" + out + "' '" + file + "'") != 0) return Bytes();
    return ReadBytes(out);
}

std::string ExifOrientationOf(const std::string& file) { return ExifTool("-s3 -n -Orientation", file); }

// A photo of 48x32 (whole 16x16 blocks, 4:2:0) or another size, made by
// ImageMagick with corners that tell every turn apart, and an Exif
// orientation tag when `orientation` is not 0.
std::string MakePhoto(const TempDir& dir, const std::string& name, const std::string& size,
                      const std::string& extra = "", int orientation = 0) {
    const std::string path = dir.file(name);
    Shell("convert -size " + size + " gradient:'#ff2000'-'#0040ff' -fill '#ffff00' -draw 'rectangle 0,0 9,5' "
        "-fill '#00a000' -draw 'rectangle 30,20 40,30' -quality 90 -sampling-factor 2x2 " + extra + " '" + path +
        "'");
    if (orientation) Shell("exiftool -q -overwrite_original -n -Orientation=" + std::to_string(orientation) + " '" + path + "'");
    return path;
}

// What the viewer has after loading `path` (AutoRotate as given) and
// applying `steps`, with its history.
struct Session {
    Image picture;
    lg::PictureFacts facts;
    lg::TurnHistory history;
};
Session LoadAndTurn(const std::string& path, const std::vector<TurnStep>& steps, bool autoRotate = false) {
    Session s;
    lg::LoadRequest req;
    req.autoRotate = autoRotate;
    lg::DecodedPicture d = lg::DecodePicture(path, path, lg::DetectFileFormat(path), req);
    s.picture = std::move(d.picture);
    s.facts = std::move(d.facts);
    lg::StartTurnHistory(s.history, s.picture, s.facts);
    for (TurnStep step : steps) {
        const uint64_t before = lg::PictureFingerprint(s.picture);
        if (step == TurnStep::Right) s.picture = lg::RotateRight(s.picture);
        else if (step == TurnStep::Left) s.picture = lg::RotateLeft(s.picture);
        else if (step == TurnStep::FlipHorizontal) lg::FlipHorizontal(s.picture);
        else lg::FlipVertical(s.picture);
        lg::NoteTurn(s.history, before, step, s.picture);
    }
    return s;
}

LosslessSave Save(Session& s, const std::string& out, const lg::SaveOptions& opt = lg::SaveOptions()) {
    const lg::TurnHistory::State* state = lg::FindTurnState(s.history, s.picture);
    if (!state) return LosslessSave::NotSuitable;
    const lg::TurnHistory::State saving = *state;
    const LosslessSave r = lg::SaveJpegTurned(s.facts.jpegOrigin, Then(s.history.fromFile, saving.turns), out, opt);
    if (r == LosslessSave::Saved)
        lg::NoteTurnedSave(s.history, saving, s.facts.jpegOrigin, out, s.picture.width(), s.picture.height());
    return r;
}

// Every turn and flip, and a turn with a flip, as jpegtran -perfect makes them.
TEST(LosslessTurns, EveryTurnDecodesAsJpegtranMakesIt) {
    TempDir dir;
    const std::string photo = MakePhoto(dir, "photo.jpg", "48x32");
    struct Case {
        std::vector<TurnStep> steps;
        const char* jpegtran;
    } cases[] = {
        {{TurnStep::Right}, "-rotate 90"},
        {{TurnStep::Right, TurnStep::Right}, "-rotate 180"},
        {{TurnStep::Left}, "-rotate 270"},
        {{TurnStep::FlipHorizontal}, "-flip horizontal"},
        {{TurnStep::FlipVertical}, "-flip vertical"},
        {{TurnStep::Right, TurnStep::FlipHorizontal}, "-transpose"},
        {{TurnStep::Right, TurnStep::FlipVertical}, "-transverse"},
        {{TurnStep::FlipVertical, TurnStep::Right}, "-transpose"},  // another way there
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string ours = dir.file("ours" + std::to_string(n) + ".jpg");
        const std::string theirs = dir.file("theirs" + std::to_string(n++) + ".jpg");
        ASSERT_EQ(Shell(std::string("jpegtran -perfect ") + c.jpegtran + " -outfile '" + theirs + "' '" + photo + "'"), 0);
        Session s = LoadAndTurn(photo, c.steps);
        ASSERT_EQ(Save(s, ours), LosslessSave::Saved) << c.jpegtran;
        const Bytes want = Djpeg(theirs);
        ASSERT_FALSE(want.empty());
        EXPECT_TRUE(Djpeg(ours) == want) << c.jpegtran;
    }
}

// Turned and saved four times over, a quarter turn each time, the photo
// decodes to exactly its first pixels; the same in one session.
TEST(LosslessTurns, FourTurnsLoseNothing) {
    TempDir dir;
    const std::string photo = MakePhoto(dir, "photo.jpg", "48x32");
    const Bytes original = Djpeg(photo);
    ASSERT_FALSE(original.empty());
    const std::string work = dir.file("work.jpg");
    Shell("cp '" + photo + "' '" + work + "'");
    for (int i = 0; i < 4; ++i) {
        Session s = LoadAndTurn(work, {TurnStep::Right});
        ASSERT_EQ(Save(s, work), LosslessSave::Saved) << i;
    }
    EXPECT_TRUE(Djpeg(work) == original);

    // One load, saved in place after every turn: each save starts from the last.
    Shell("cp '" + photo + "' '" + work + "'");
    Session s = LoadAndTurn(work, {});
    for (int i = 0; i < 4; ++i) {
        const uint64_t before = lg::PictureFingerprint(s.picture);
        s.picture = lg::RotateLeft(s.picture);
        lg::NoteTurn(s.history, before, TurnStep::Left, s.picture);
        ASSERT_EQ(Save(s, work), LosslessSave::Saved) << i;
    }
    EXPECT_TRUE(Djpeg(work) == original);
}

// Sides that are no whole number of blocks: a turn that would move the
// partial edge blocks is refused (the caller encodes the pixels); a flip
// that leaves them at the edge goes through.
TEST(LosslessTurns, PartialEdgeBlocksAreNotMoved) {
    TempDir dir;
    const std::string photo = MakePhoto(dir, "odd.jpg", "45x30");
    Session s = LoadAndTurn(photo, {TurnStep::FlipHorizontal});
    EXPECT_EQ(Save(s, dir.file("h.jpg")), LosslessSave::EdgeBlocks);
    EXPECT_FALSE(std::ifstream(dir.file("h.jpg")).good());
    Session r = LoadAndTurn(photo, {TurnStep::Right});
    EXPECT_EQ(Save(r, dir.file("r.jpg")), LosslessSave::EdgeBlocks);
    // The transpose keeps every block at its edge.
    const std::string theirs = dir.file("t-ref.jpg");
    ASSERT_EQ(Shell("jpegtran -perfect -transpose -outfile '" + theirs + "' '" + photo + "'"), 0);
    Session t = LoadAndTurn(photo, {TurnStep::Right, TurnStep::FlipHorizontal});
    ASSERT_EQ(Save(t, dir.file("t.jpg")), LosslessSave::Saved);
    EXPECT_TRUE(Djpeg(dir.file("t.jpg")) == Djpeg(theirs));
}

// Any other edit, an undo back to a turned state, other output types and
// options, and a file replaced since the load.
TEST(LosslessTurns, OnlyTurnsOfTheLoadedFile) {
    TempDir dir;
    const std::string photo = MakePhoto(dir, "photo.jpg", "48x32");
    Session s = LoadAndTurn(photo, {TurnStep::Right});
    const Image turned = s.picture.Duplicate();
    lg::FlipHorizontal(s.picture);  // not noted: stands for any other edit
    EXPECT_EQ(Save(s, dir.file("edited.jpg")), LosslessSave::NotSuitable);
    s.picture = turned.Duplicate();  // an undo back to the turned picture
    EXPECT_EQ(Save(s, dir.file("undone.jpg")), LosslessSave::Saved);

    EXPECT_EQ(Save(s, dir.file("photo.png")), LosslessSave::NotSuitable);
    lg::SaveOptions grey;
    grey.jpegGrayscale = true;
    EXPECT_EQ(Save(s, dir.file("grey.jpg"), grey), LosslessSave::NotSuitable);
    lg::SaveOptions progressive;
    progressive.jpegProgressive = true;
    EXPECT_EQ(Save(s, dir.file("progressive.jpg"), progressive), LosslessSave::NotSuitable);

    // A progressive source saved with the progressive option stays lossless and progressive.
    const std::string prog = MakePhoto(dir, "prog.jpg", "48x32", "-interlace Plane");
    Session p = LoadAndTurn(prog, {TurnStep::Left});
    ASSERT_EQ(Save(p, dir.file("p.jpg"), progressive), LosslessSave::Saved);
    ASSERT_EQ(Shell("jpegtran -perfect -rotate 270 -outfile '" + dir.file("p-ref.jpg") + "' '" + prog + "'"), 0);
    EXPECT_TRUE(Djpeg(dir.file("p.jpg")) == Djpeg(dir.file("p-ref.jpg")));
    EXPECT_EQ(Shell("identify -verbose '" + dir.file("p.jpg") + "' | grep -q 'Interlace: JPEG'"), 0);

    // The loaded file replaced by another of the same size: never transformed.
    Session q = LoadAndTurn(photo, {TurnStep::Right});
    MakePhoto(dir, "photo.jpg", "48x32", "-negate");
    EXPECT_EQ(Save(q, dir.file("replaced.jpg")), LosslessSave::NotSuitable);
    EXPECT_FALSE(std::ifstream(dir.file("replaced.jpg")).good());

    // Loaded as grey from a colour file: the picture is not the file's decode.
    lg::LoadRequest req;
    req.grayscaleJpeg = true;
    lg::DecodedPicture d = lg::DecodePicture(prog, prog, lg::DetectFileFormat(prog), req);
    lg::TurnHistory h;
    lg::StartTurnHistory(h, d.picture, d.facts);
    EXPECT_TRUE(h.states.empty());
}

// A sideways camera photo: turned upright by its tag at the load, then a
// flip; the saved blocks are the file's turned by both, the tag says 1.
// Without a turn the tag is kept.
TEST(LosslessTurns, OrientationTagAfterTheTurn) {
    TempDir dir;
    const std::string photo = MakePhoto(dir, "cam.jpg", "48x32", "", 6);
    ASSERT_EQ(ExifOrientationOf(photo), "6\n");
    Session s = LoadAndTurn(photo, {TurnStep::FlipVertical}, true);
    lg::SaveOptions opt;
    opt.exif = &s.facts.exif;
    ASSERT_EQ(Save(s, dir.file("up.jpg"), opt), LosslessSave::Saved);
    EXPECT_EQ(ExifOrientationOf(dir.file("up.jpg")), "1\n");
    ASSERT_EQ(Shell("jpegtran -perfect -transverse -outfile '" + dir.file("ref.jpg") + "' '" + photo + "'"), 0);
    EXPECT_TRUE(Djpeg(dir.file("up.jpg")) == Djpeg(dir.file("ref.jpg")));

    // Stored sideways and turned round once: the blocks stand as stored, so does the tag.
    Session f = LoadAndTurn(photo, {TurnStep::Right, TurnStep::Right, TurnStep::Right, TurnStep::Right});
    opt.exif = &f.facts.exif;
    ASSERT_EQ(Save(f, dir.file("round.jpg"), opt), LosslessSave::Saved);
    EXPECT_EQ(ExifOrientationOf(dir.file("round.jpg")), "6\n");
    EXPECT_TRUE(Djpeg(dir.file("round.jpg")) == Djpeg(photo));
}
#endif

}  // namespace
