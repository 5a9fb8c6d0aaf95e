// The Windows program's command line, line by line.
#include <gtest/gtest.h>

#include "shell/logic/command_line.h"

namespace {

using lg::ParseCommandLine;

TEST(CommandLine, FileArgumentAlone) {
    auto c = ParseCommandLine("C:\\pics\\a.bmp");
    EXPECT_EQ(c.fileArg, "C:\\pics\\a.bmp");
    EXPECT_FALSE(c.convert || c.fullScreen || c.hasTitle || c.hasPosition);
    EXPECT_EQ(ParseCommandLine("").fileArg, "");
    EXPECT_EQ(ParseCommandLine("a.bmp   ").fileArg, "a.bmp");
}

TEST(CommandLine, QuotedPaths) {
    EXPECT_EQ(ParseCommandLine("\"C:\\My Pictures\\a b.jpg\"").fileArg, "C:\\My Pictures\\a b.jpg");
    // Quotes around the file argument followed by options are removed from the argument too.
    auto c = ParseCommandLine("\"C:\\My Pictures\\a b.jpg\" /fs");
    EXPECT_EQ(c.fileArg, "C:\\My Pictures\\a b.jpg");
    EXPECT_TRUE(c.fullScreen);
}

TEST(CommandLine, OptionsInAnyOrder) {
    auto c = ParseCommandLine("x.jpg /fs /one");
    EXPECT_EQ(c.fileArg, "x.jpg");
    EXPECT_TRUE(c.fullScreen);
    EXPECT_TRUE(c.closeOthers);
    auto d = ParseCommandLine("x.jpg /one /bf /fs");
    EXPECT_TRUE(d.fullScreen && d.closeOthers && d.bestFit);
}

TEST(CommandLine, ValuesRunToTheNextSlash) {
    auto c = ParseCommandLine("in.bmp /c=out.png /title=My pictures");
    EXPECT_EQ(c.fileArg, "in.bmp");
    EXPECT_TRUE(c.convert);
    EXPECT_EQ(c.convertOutput, "out.png");
    EXPECT_TRUE(c.hasTitle);
    EXPECT_EQ(c.title, "My pictures");
}

TEST(CommandLine, ValueLengthsAreCut) {
    auto c = ParseCommandLine("a.bmp /title=" + std::string(400, 't'));
    EXPECT_EQ(c.title.size(), 293u);
    auto d = ParseCommandLine("a.bmp /c=" + std::string(400, 'o'));
    EXPECT_EQ(d.convertOutput.size(), 257u);
    auto e = ParseCommandLine(std::string(300, 'f') + " /fs");
    EXPECT_EQ(e.fileArg.size(), 255u);
}

TEST(CommandLine, Position) {
    auto c = ParseCommandLine("a.bmp /pos=(100,50)");
    EXPECT_TRUE(c.hasPosition);
    EXPECT_EQ(c.posX, 100);
    EXPECT_EQ(c.posY, 50);
    auto d = ParseCommandLine("a.bmp /pos=(-20,x)");
    EXPECT_EQ(d.posX, -20);
    EXPECT_EQ(d.posY, 0);
    auto e = ParseCommandLine("a.bmp /pos=(7");
    EXPECT_EQ(e.posX, 7);
    EXPECT_EQ(e.posY, 0);
}

TEST(CommandLine, SlideshowDropsFullScreenTitleAndPosition) {
    auto c = ParseCommandLine("/slideshow=list.txt /fs /title=x /pos=(1,2)");
    EXPECT_TRUE(c.slideshow);
    EXPECT_EQ(c.slideshowList, "list.txt");
    EXPECT_FALSE(c.fullScreen || c.hasTitle || c.hasPosition);
    EXPECT_EQ(c.fileArg, "");
}

TEST(CommandLine, HiddenIgnoresEverythingElse) {
    auto c = ParseCommandLine("a.bmp /c=b.bmp /hidden");
    EXPECT_TRUE(c.hidden);
    EXPECT_FALSE(c.convert);
    EXPECT_EQ(c.fileArg, "");
}

}  // namespace
