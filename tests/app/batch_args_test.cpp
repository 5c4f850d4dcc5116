#include <gtest/gtest.h>

#include "app/BatchArgs.h"

using namespace velmora;

namespace {

BatchOptions Parse(std::vector<std::string> args) {
    BatchOptions o;
    std::string error;
    EXPECT_TRUE(ParseBatchArguments(args, o, error)) << error;
    return o;
}

std::string ParseError(std::vector<std::string> args) {
    BatchOptions o;
    std::string error;
    EXPECT_FALSE(ParseBatchArguments(args, o, error));
    return error;
}

}  // namespace

TEST(BatchArguments, EveryOptionInShortLongAndInlineForm) {
    EXPECT_EQ(Parse({"a.jpg"}).Inputs, std::vector<std::string>{"a.jpg"});
    const BatchOptions o = Parse({"-p", "x.set", "-o", "out", "-f", "BMP", "-j", "3", "-q", "a.jpg", "b.bmp",
                                  "--region", "1,2,30,40", "--scale", "50"});
    EXPECT_EQ(o.PresetPath, "x.set");
    EXPECT_EQ(o.OutputPath, "out");
    EXPECT_EQ(o.Format, "bmp");
    EXPECT_EQ(o.Threads, 3);
    EXPECT_TRUE(o.Quiet);
    EXPECT_EQ(o.Inputs, (std::vector<std::string>{"a.jpg", "b.bmp"}));
    ASSERT_TRUE(o.HasRegion);
    EXPECT_EQ(o.Region.Left, 1);
    EXPECT_EQ(o.Region.Height, 40);
    EXPECT_EQ(o.ScalePercent, 50);

    const BatchOptions l = Parse({"--preset=y.set", "--output=z.d2o", "--width=640", "--threads", "2", "--",
                                  "-odd-name.jpg"});
    EXPECT_EQ(l.PresetPath, "y.set");
    EXPECT_EQ(l.OutputPath, "z.d2o");
    EXPECT_EQ(l.Width, 640);
    EXPECT_EQ(l.Inputs, std::vector<std::string>{"-odd-name.jpg"}) << "after -- every argument is an input";

    EXPECT_TRUE(Parse({"--help"}).Help) << "help needs no input";
    EXPECT_TRUE(Parse({"--version"}).Version) << "nor does the version";
    EXPECT_EQ(Parse({"--format=Png", "a.jpg"}).Format, "png");
}

TEST(BatchArguments, MalformedOptionsAreRefusedWithAMessage) {
    EXPECT_NE(ParseError({"--bogus", "a.jpg"}).find("--bogus"), std::string::npos);
    EXPECT_NE(ParseError({"a.jpg", "-p"}).find("needs a value"), std::string::npos);
    EXPECT_NE(ParseError({}).find("no input"), std::string::npos);
    for (const char* scale : {"0", "101", "5x", "", "-3"}) ParseError({"--scale", scale, "a.jpg"});
    for (const char* region : {"1,2,3", "1,2,3,4,5", "-1,0,5,5", "0,0,0,5", "0,0,5,", "a,b,c,d"})
        EXPECT_NE(ParseError({"--region", region, "a.jpg"}).find("region"), std::string::npos) << region;
    ParseError({"--width", "0", "a.jpg"});
    ParseError({"-j", "0", "a.jpg"});
    EXPECT_NE(ParseError({"-f", "tif", "a.jpg"}).find("png"), std::string::npos) << "the message lists the types";
    ParseError({"--version=2"});
    ParseError({"--quiet=yes", "a.jpg"});
    EXPECT_NE(ParseError({"--scale", "50", "--width", "10", "a.jpg"}).find("together"), std::string::npos);
    EXPECT_NE(ParseError({"--region", "0,0,5,5", "-f", "jpg", "a.jpg"}).find("bmp"), std::string::npos);
}

TEST(BatchArguments, ASizeBeyondTheLargestPictureIsRefusedForThatReason) {
    // A number of pixels one past the largest side is still a number of pixels: the
    // message must name the limit, not ask for what was given.
    EXPECT_NE(ParseError({"--width", "30001", "a.jpg"}).find("30000"), std::string::npos);
    EXPECT_NE(ParseError({"--region", "0,0,30001,1", "a.jpg"}).find("30000"), std::string::npos);
    EXPECT_NE(ParseError({"--region", "30001,0,1,1", "a.jpg"}).find("30000"), std::string::npos);
    EXPECT_EQ(Parse({"--width", "30000", "a.jpg"}).Width, 30000);
    EXPECT_EQ(Parse({"--region", "30000,30000,30000,30000", "a.jpg"}).Region.Width, 30000);
}

TEST(BatchOutput, NamesFollowTheInputOrTheChosenFolder) {
    std::string error;
    BatchOptions o;
    EXPECT_EQ(BatchOutputPath("/pics/beach.jpg", o, false, error), "/pics/beach_cartoon.jpg");
    o.Format = "d2o";
    EXPECT_EQ(BatchOutputPath("/pics/beach.bmp", o, true, error), "/pics/beach_cartoon.d2o");
    o.Format = "png";
    EXPECT_EQ(BatchOutputPath("/pics/beach.jpg", o, false, error), "/pics/beach_cartoon.png");
    o.Format.clear();
    o.HasRegion = true;
    EXPECT_EQ(BatchOutputPath("beach.jpg", o, false, error), "beach_cartoon.bmp");

    BatchOptions file;
    file.OutputPath = "/no/such/folder/result.bmp";
    EXPECT_EQ(BatchOutputPath("a.jpg", file, false, error), "/no/such/folder/result.bmp");
    EXPECT_EQ(BatchOutputPath("a.jpg", file, true, error), "") << "several inputs need a folder";
    EXPECT_NE(error.find("folder"), std::string::npos);
    // The program's own save writes .jpeg as well as .jpg, and so does the batch.
    file.OutputPath = "/no/such/folder/result.JPEG";
    EXPECT_EQ(BatchOutputPath("a.jpg", file, false, error), file.OutputPath) << error;
}
