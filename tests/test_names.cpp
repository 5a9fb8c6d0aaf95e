// File names in any language: UTF-8 names cut, compared, sorted, listed and
// read back from list files without breaking a character. The expected byte
// lengths and orders are worked out by hand from the characters' encodings:
// Greek letters take 2 bytes, CJK 3, an emoji 4 (two UTF-16 units).
#include "support.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include "core/strings.h"
#include "files/dir_list.h"
#include "files/slide_list.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "shell/logic/command_line.h"

namespace {

using namespace lg;
using lgtest::TempDir;
using V = std::vector<std::string>;

const std::string kGreek = "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC.jpg";  // Ελληνικά.jpg
const std::string kChinese = "\xE5\x86\x99\xE7\x9C\x9F 2026.png";                                   // 写真 2026.png
const std::string kEmoji = "\xF0\x9F\x93\xB7 caf\xC3\xA9.gif";                                      // 📷 café.gif

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// Whether this process takes names as UTF-8: always natively, and on Windows
// when the manifest's code page is honoured (1903 and later, Wine).
bool Utf8Process() {
#ifdef _WIN32
    return GetACP() == CP_UTF8;
#else
    return true;
#endif
}

TEST(Names, Utf8IsRecognised) {
    for (const std::string& s : {kGreek, kChinese, kEmoji, std::string("plain.bmp"), std::string()})
        EXPECT_TRUE(IsUtf8(s)) << s;
    const char* bad[] = {
        "caf\xE9.gif",        // Latin-1 é
        "\xC0\xAF",           // overlong '/'
        "\xE0\x80\xAF",       // overlong, three bytes
        "\xED\xA0\x80",       // a surrogate
        "\xF4\x90\x80\x80",   // above U+10FFFF
        "\xCE",               // cut after the lead byte
        "\xF0\x9F\x93",       // cut inside an emoji
        "\x80x",              // a continuation byte alone
    };
    for (const char* s : bad) EXPECT_FALSE(IsUtf8(s)) << s;
}

TEST(Names, CutsCountCharactersAndKeepThemWhole) {
    const std::string alpha = "\xCE\xB1", ji = "\xE5\x86\x99", camera = "\xF0\x9F\x93\xB7";
    // 300 of each, cut to 259 characters as Windows counts them.
    EXPECT_EQ(CutToChars(Repeat(alpha, 300), 259), Repeat(alpha, 259));  // 518 bytes
    EXPECT_EQ(CutToChars(Repeat(ji, 300), 259), Repeat(ji, 259));        // 777 bytes
    EXPECT_EQ(CutToChars(Repeat(camera, 300), 259), Repeat(camera, 129));  // 258 units: a 130th would need 260
    // The cut falls between characters of mixed widths.
    EXPECT_EQ(CutToChars("a" + camera + alpha + ji, 3), "a" + camera);
    EXPECT_EQ(CutToChars("a" + camera + alpha + ji, 4), "a" + camera + alpha);
    EXPECT_EQ(CutToChars(kGreek, 100), kGreek);
    EXPECT_EQ(PrefixOfChars(kChinese, 2), 6u);
    // Text of an older code page counts bytes, as before.
    EXPECT_EQ(CutToChars(std::string(300, '\xE9'), 259), std::string(259, '\xE9'));
}

TEST(Names, CaseRulesTouchOnlyAsciiLetters) {
    // Upper-casing a name's bytes one by one must leave every byte of a
    // multi-byte character as it is: "é" is C3 A9, "ά" CE AC.
    EXPECT_EQ(UpperCase("caf\xC3\xA9.jpg"), "CAF\xC3\xA9.JPG");
    EXPECT_EQ(UpperCase(kGreek), kGreek.substr(0, kGreek.size() - 3) + "JPG");
    EXPECT_TRUE(EndsWithNoCase(kGreek, ".JPG"));
    EXPECT_TRUE(EndsWithNoCase(kEmoji, ".GIF"));
    EXPECT_FALSE(EqualNoCase("\xC3\xA9", "\xC3\x89"));  // é and É: not ASCII letters
    EXPECT_TRUE(CountsAsPicture(kChinese));
    EXPECT_EQ(ExtensionOf(kEmoji), ".gif");
    EXPECT_EQ(platform::BaseNameOf(platform::JoinPath(kGreek.substr(0, 16), kChinese)), kChinese);
    EXPECT_EQ(platform::DirectoryOf(platform::JoinPath(kGreek.substr(0, 16), kChinese)),
              kGreek.substr(0, 16) + platform::PathSeparator());
}

TEST(Names, CommandLineCutsCharactersNotBytes) {
    const std::string alpha = "\xCE\xB1";
    // The file argument keeps 255 characters, the /c= value 257, the title 293.
    CommandLine cl = ParseCommandLine("C:\\" + Repeat(alpha, 300) + ".jpg /c=" + Repeat(alpha, 300) +
                                      " /title=" + Repeat(alpha, 400));
    EXPECT_EQ(cl.fileArg, "C:\\" + Repeat(alpha, 252));
    EXPECT_EQ(cl.convertOutput, Repeat(alpha, 257));
    EXPECT_EQ(cl.title, Repeat(alpha, 293));
    cl = ParseCommandLine("\"C:\\\xCF\x86\xCF\x89\xCF\x84\xCE\xBF\\" + kChinese + "\"");
    EXPECT_EQ(cl.fileArg, "C:\\\xCF\x86\xCF\x89\xCF\x84\xCE\xBF\\" + kChinese);
    cl = ParseCommandLine(kEmoji + " /c=" + kGreek);
    EXPECT_EQ(cl.fileArg, kEmoji);
    EXPECT_EQ(cl.convertOutput, kGreek);
    const std::string sent = "C:\\" + kEmoji;
    EXPECT_EQ(CopyDataPath(sent.c_str(), sent.size() + 1), sent);
}

TEST(Names, SystemCollationReadsUtf8) {
    // α (U+03B1) before Β (U+0392) in any language's alphabet, é with e
    // before f; byte by byte both would come out the other way round.
    if (Utf8Process()) {
#ifdef _WIN32
        EXPECT_LT(platform::CollateNames("\xCE\xB1", "\xCE\x92"), 0);
        EXPECT_LT(platform::CollateNames("caf\xC3\xA9.gif", "cafz.gif"), 0);
        EXPECT_GT(platform::CollateNames("\xCE\x92\xCE\xB1", "\xCE\xB1\xCE\xB1"), 0);  // Βα after αα: letters first
        EXPECT_EQ(platform::CollateNames(kGreek, kGreek), 0);
#else
        // The portable collation compares code points beyond ASCII.
        EXPECT_GT(platform::CollateNames("\xCE\xB1", "\xCE\x92"), 0);
        EXPECT_LT(platform::CollateNames(kGreek, kChinese), 0);
        EXPECT_LT(platform::CollateNames(kChinese, kEmoji), 0);
#endif
    }
}

// The three names in one directory, listed and sorted in every order.
TEST(Names, DirectoryOfForeignNamesInEveryOrder) {
    TempDir d;
    const std::string sub = platform::JoinPath(d.str(), "\xCF\x86\xCF\x89\xCF\x84\xCE\xBF");  // φωτο
    ASSERT_TRUE(platform::MakeDirectories(sub));
    const struct { const std::string& name; size_t size; } files[] = {{kGreek, 30}, {kChinese, 10}, {kEmoji, 20}};
    for (const auto& f : files) lgtest::WriteBytes(platform::JoinPath(sub, f.name), lgtest::Bytes(f.size, 1));
    lgtest::WriteBytes(platform::JoinPath(sub, "\xCE\xB1.txt"), lgtest::Bytes(3, 1));  // not a picture

    auto names = [&](int order) {
        DirList list;
        EXPECT_TRUE(ReadDirList(list, sub, true, true, order));
        V out;
        for (int i = 0; i < list.count(); ++i) out.push_back(list.at(i).name);
        return out;
    };
    const V bySize = {kChinese, kEmoji, kGreek};
    EXPECT_EQ(names(2), bySize);
    EXPECT_EQ(names(6), V(bySize.rbegin(), bySize.rend()));
    const V byExt = {kEmoji, kGreek, kChinese};  // .gif .jpg .png
    EXPECT_EQ(names(3), byExt);
    EXPECT_EQ(names(7), V(byExt.rbegin(), byExt.rend()));
    V byName = names(0);
    ASSERT_EQ(byName.size(), 3u);
    // Every name read back byte for byte, and Greek before Chinese in any collation.
    V sorted = byName;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (V{kGreek, kChinese, kEmoji}));
    auto pos = [&](const std::string& n) { return std::find(byName.begin(), byName.end(), n) - byName.begin(); };
    EXPECT_LT(pos(kGreek), pos(kChinese));
    EXPECT_EQ(names(4), V(byName.rbegin(), byName.rend()));
    EXPECT_EQ(names(kNaturalNameOrder), (V{kGreek, kChinese, kEmoji}));  // code point order
    DirList list;
    ReadDirList(list, sub, true, true, 0);
    EXPECT_EQ(list.at(FindInDirList(list, platform::JoinPath(sub, kEmoji))).name, kEmoji);

    // A slideshow list of the three, sorted by size through the files' own entries.
    V show = {platform::JoinPath(sub, kGreek), platform::JoinPath(sub, kEmoji), platform::JoinPath(sub, kChinese)};
    SortSlideList(show, 2);
    EXPECT_EQ(show, (V{platform::JoinPath(sub, kChinese), platform::JoinPath(sub, kEmoji),
                       platform::JoinPath(sub, kGreek)}));
}

TEST(Names, SlideListsInEveryEncoding) {
    TempDir d;
    const V expected = {"C:\\" + kGreek, "C:\\" + kChinese, "C:\\" + kEmoji};
    auto read = [&](const std::string& bytes) {
        lgtest::WriteBytes(d.file("list.lst"), lgtest::Bytes(bytes.begin(), bytes.end()));
        V list;
        EXPECT_TRUE(ReadSlideList(d.file("list.lst"), list));
        return list;
    };
    const std::string plain = expected[0] + "\r\n" + expected[1] + "\n" + expected[2] + "\n";
    EXPECT_EQ(read(plain), expected);
    EXPECT_EQ(read("\xEF\xBB\xBF" + plain), expected);  // Notepad's UTF-8 with its mark

    // UTF-16 with its mark (Notepad's "Unicode"), encoded by hand:
    // C : \ Ε(0395) ... and the emoji as the pair D83D DCF7.
    std::string utf16 = "\xFF\xFE";
    auto unit = [&](unsigned u) { utf16 += char(u & 0xFF); utf16 += char(u >> 8); };
    for (unsigned u : std::initializer_list<unsigned>{'C', ':', '\\', 0x3B1u, 0x3B2u, '.', 'p', 'n', 'g', '\r', '\n', 'C', ':', '\\', 0xD83Du, 0xDCF7u,
                       '.', 'g', 'i', 'f', '\n', 0xD800u, 'x'})
        unit(u);
    EXPECT_EQ(read(utf16), (V{"C:\\\xCE\xB1\xCE\xB2.png", "C:\\\xF0\x9F\x93\xB7.gif", "\xEF\xBF\xBDx"}));

    // What the slideshow writes it reads back whole.
    ASSERT_TRUE(WriteSlideList(d.file("out.lst"), expected));
    V back;
    ASSERT_TRUE(ReadSlideList(d.file("out.lst"), back));
    EXPECT_EQ(back, expected);

    // A long line is cut after 259 characters, never inside one.
    const std::string longLine = "C:\\" + Repeat("\xE5\x86\x99", 400);
    EXPECT_EQ(read(longLine + "\n"), (V{"C:\\" + Repeat("\xE5\x86\x99", 256)}));
}

// The recent directories and other paths kept in the settings file, in a
// settings directory that has such a name itself.
TEST(Names, SettingsKeepPathsWhole) {
    lgtest::ScratchSettings settings;
    const std::string home = platform::JoinPath(settings.home(), "\xE8\xA8\xAD\xE5\xAE\x9A");  // 設定
    lgtest::SetEnv("LUMAGROVE_HOME", home);
    const std::string deep = "C:\\" + Repeat("\xCE\xB1", 200) + "\\" + kEmoji;
    const V dirs = {"C:\\" + kGreek, "D:\\" + kChinese, deep, "C:\\plain", "E:\\" + kEmoji};
    const Setting keys[] = {Setting::Dir1, Setting::Dir2, Setting::Dir3, Setting::Dir4, Setting::Dir5};
    for (size_t i = 0; i < dirs.size(); ++i) ASSERT_TRUE(WriteSetting(keys[i], dirs[i]));
    ASSERT_TRUE(WriteSetting(Setting::OpenDir, "C:\\" + kChinese));
    for (size_t i = 0; i < dirs.size(); ++i) EXPECT_EQ(ReadSettingText(keys[i]), dirs[i]);
    EXPECT_EQ(ReadSettingText(Setting::OpenDir), "C:\\" + kChinese);
    // The file holds the names as UTF-8 text.
    const lgtest::Bytes file = lgtest::ReadBytes(platform::JoinPath(home, "LUMAGR32.INI"));
    const std::string text(file.begin(), file.end());
    EXPECT_NE(text.find("Dir3=" + deep), std::string::npos);
}

// A list, a settings value and a copy-data path from a program of the
// system's ANSI code page (Wine's default locale: Windows-1252, where é is E9).
TEST(Names, AnsiTextFromOlderProgramsIsConverted) {
    const std::string ansi = "C:\\caf\xE9.gif";
    TempDir d;
    lgtest::WriteBytes(d.file("ansi.lst"), lgtest::Bytes(ansi.begin(), ansi.end()));
    V list;
    ASSERT_TRUE(ReadSlideList(d.file("ansi.lst"), list));
    ASSERT_EQ(list.size(), 1u);
    lgtest::ScratchSettings settings;
    ASSERT_TRUE(platform::MakeDirectories(settings.home()));
    const std::string ini = "[MRUD]\nDir1=" + ansi + "\n";
    lgtest::WriteBytes(platform::JoinPath(settings.home(), "LUMAGR32.INI"), lgtest::Bytes(ini.begin(), ini.end()));
    const std::string stored = ReadSettingText(Setting::Dir1);
#ifdef _WIN32
    if (!Utf8Process()) GTEST_SKIP() << "the manifest's UTF-8 code page is not in force";
    const std::string utf8 = "C:\\caf\xC3\xA9.gif";
    EXPECT_EQ(list[0], utf8);
    EXPECT_EQ(stored, utf8);
    EXPECT_EQ(CopyDataPath(ansi.c_str(), ansi.size() + 1), utf8);
    EXPECT_EQ(platform::TextAsNames(ansi), utf8);
#else
    EXPECT_EQ(list[0], ansi);  // POSIX names are bytes
    EXPECT_EQ(stored, ansi);
    EXPECT_EQ(platform::TextAsNames(ansi), ansi);
#endif
    EXPECT_EQ(platform::TextAsNames(kEmoji), kEmoji);
}

}  // namespace
