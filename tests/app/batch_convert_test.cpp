#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/BatchTestUtil.h"
#include "app/Version.h"
#include "conversion/Resample.h"
#include "document/Document.h"
#include "engine/DrawEffect.h"
#include "io/ProjectFile.h"
#include "support/Images.h"

using namespace velmora;
using namespace velmora::test;
namespace fs = std::filesystem;

namespace {

Bitmap Displayed(const std::string& path) {
    Bitmap b;
    std::string error;
    EXPECT_TRUE(OpenAsDisplayed(path, b, error)) << error;
    return b;
}

// Runs the engine over one rectangle of `shown`, its parameters set here, not by the code under test.
void RunEngine(TDrawEffect& effect, const TEffectParams& record, const Bitmap& shown, const RegionSpec& r) {
    TEffectParams p = record;
    p.SourceBitmap = &shown;
    p.Left = r.Left;
    p.Top = r.Top;
    p.Width = r.Width;
    p.Height = r.Height;
    effect.SetParams(p);
    effect.Execute();
}

// What the program should write for `input` with the default preset of ColorRecord().
ConversionOutput Expected(const std::string& input) {
    ConversionOutput out;
    std::string error;
    EXPECT_TRUE(ConvertDisplayed(Displayed(input), RecordThroughControls(ColorRecord()), 100, 0, out, error)) << error;
    return out;
}

}  // namespace

TEST(BatchOpen, PicturesAreShownOverTheWhiteSketchInMultiply) {
    TempDir dir;
    // Padded rows, and tall enough for the rows to be shared out over the threads.
    const Bitmap picture = Gradient(41, 300);
    WriteBmp(dir / "g.bmp", picture);
    Bitmap multiplied = picture;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 41; ++x)
            for (int c = 0; c < 3; ++c) multiplied.Pixel(x, y)[c] = (picture.Pixel(x, y)[c] * 255) >> 8;
    EXPECT_EQ(Displayed(dir / "g.bmp"), multiplied);

    // A project shows its own layers with its own layer state.
    Bitmap color(41, 300);
    color.Fill(200, 100, 0);
    std::string error;
    ASSERT_EQ(SaveD2O(dir / "p.d2o", picture, color, picture, {.BlendingMode = 1, .Opacity = 25}, &error), 0) << error;
    EXPECT_EQ(Displayed(dir / "p.d2o").Pixel(5, 5)[0], (200 * 75 + picture.Pixel(5, 5)[0] * 25) / 100);

    // Which files open is the document's concern (document_files_test); a failure here
    // is one line holding every message.
    std::ofstream(dir / "bad.d2o") << std::string(2000, 'x');
    Bitmap out;
    EXPECT_FALSE(OpenAsDisplayed(dir / "bad.d2o", out, error));
    EXPECT_NE(error.find((dir / "bad.d2o") + " is not a valid .d2o file."), std::string::npos) << error;
    EXPECT_NE(error.find(" " + (dir / "bad.d2o") + " open failed."), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
}

TEST(BatchRecordTest, DefaultPresetThenChosenPresetThroughTheControls) {
    TempDir dir;
    TEffectParams r;
    std::string error;
    // No preset anywhere: the controls' own defaults.
    ASSERT_TRUE(BatchRecord("", dir.Folder(), r, error));
    EXPECT_EQ(r, ControlDefaultRecord());

    // The default preset is clamped by the controls; its threshold byte is not used.
    TEffectParams def = ColorRecord();
    def.Detail = 5000;
    def.ThresholdLevel = 17;
    def.HandleCount = 9;
    WritePreset(dir / "default.set", def);
    ASSERT_TRUE(BatchRecord("", dir.Folder(), r, error));
    EXPECT_TRUE(r.DrawColor);
    EXPECT_EQ(r.Detail, 1024);
    EXPECT_EQ(r.ThresholdLevel, 255);
    EXPECT_EQ(r.HandleCount, 0);

    // A chosen preset is read over the default one, through the controls.
    TEffectParams chosen = ColorRecord();
    chosen.Detail = 200;
    chosen.Darkness = 3;
    chosen.ColorReducer = 0;
    WritePreset(dir / "chosen.set", chosen);
    ASSERT_TRUE(BatchRecord(dir / "chosen.set", dir.Folder(), r, error));
    EXPECT_EQ(r.Detail, 200);
    EXPECT_EQ(r.Darkness, 3);
    EXPECT_EQ(r.ColorReducer, 1) << "0 clamped by its control";

    // A short default preset is read silently, as the conversion dialog reads it:
    // it replaces only the bytes it has (Detail ends at byte 27).
    TempDir shortDefault;
    WritePreset(shortDefault / "default.set", chosen, 28);
    ASSERT_TRUE(BatchRecord("", shortDefault.Folder(), r, error));
    EXPECT_EQ(r.Detail, 200);
    EXPECT_EQ(r.Darkness, 1) << "0 from the all-zero record, clamped by its control";

    EXPECT_FALSE(BatchRecord(dir / "nothing.set", dir.Folder(), r, error));
    EXPECT_NE(error.find("nothing.set"), std::string::npos);
}

TEST(BatchConvert, FullConversionIsTheEngineOnTheDisplayedPictureAtTheChosenSize) {
    const Bitmap shown = Displayed(kSample);
    TEffectParams record = RecordThroughControls(ColorRecord());
    record.BlendMode = 2;
    record.Opacity = 30;
    ConversionOutput out;
    std::string error;
    ASSERT_TRUE(ConvertDisplayed(shown, record, 100, 0, out, error)) << error;
    EXPECT_EQ(out.Photo, shown) << "resampling at the same size changes nothing";

    TDrawEffect effect;
    RunEngine(effect, record, shown, RegionSpec{0, 0, shown.Width(), shown.Height()});
    Bitmap sketch, color;
    effect.GetLayers(sketch, color);
    EXPECT_EQ(out.Sketch, sketch);
    EXPECT_EQ(out.Color, color);
    EXPECT_EQ(out.State.BlendingMode, 1);
    EXPECT_EQ(out.State.Opacity, 30);
    EXPECT_TRUE(out.State.SketchVisible && out.State.ColorVisible);
    const int s = sketch.Pixel(100, 100)[1], c = color.Pixel(100, 100)[1];
    EXPECT_EQ(out.Composite.Pixel(100, 100)[1], (c * 70 + s * 30) / 100);

    ConversionOutput half;
    ASSERT_TRUE(ConvertDisplayed(shown, record, 50, 0, half, error)) << error;
    SourcePixels source;
    StoreSourcePixels(shown, source);
    Bitmap expected;
    ResampleSourcePixels(source, 256, 256, expected);
    EXPECT_EQ(half.Photo, expected);
    EXPECT_EQ(half.Composite.Width(), 256);

    EXPECT_FALSE(ConvertDisplayed(shown, record, 100, 513, half, error));
    EXPECT_NE(error.find("513"), std::string::npos);
}

// A flat output is blended straight from the engine's results, without the layers;
// it must be the composite of the layers for every switch and blend, on rows with
// padding (the picture is resampled to a width that is not a multiple of four).
TEST(BatchConvert, AFlatPictureIsTheCompositeOfTheLayers) {
    const Bitmap shown = Displayed(kSample);
    struct Case {
        bool sketch, color;
        int blend, opacity;
    };
    for (const Case c : {Case{true, true, 1, 50}, Case{true, true, 2, 30}, Case{true, false, 1, 50},
                         Case{false, true, 1, 50}, Case{false, true, 2, 70}}) {
        TEffectParams record = RecordThroughControls(ColorRecord());
        record.DrawSketch = c.sketch;
        record.DrawColor = c.color;
        record.BlendMode = c.blend;
        record.Opacity = c.opacity;
        ConversionOutput layered, flat;
        std::string error;
        ASSERT_TRUE(ConvertDisplayed(shown, record, 41, 0, layered, error)) << error;
        ASSERT_TRUE(ConvertDisplayed(shown, record, 41, 0, flat, error, nullptr, false)) << error;
        ASSERT_NE(layered.Composite.Width() % 4, 0);
        EXPECT_EQ(flat.Composite, layered.Composite) << c.sketch << c.color << c.blend;
        EXPECT_TRUE(flat.Sketch.Empty() && flat.Color.Empty() && flat.Photo.Empty());
    }
}

TEST(BatchConvert, RegionPreviewIsTheDialogsBlendOfThatRectangle) {
    const Bitmap shown = Displayed(kSample);
    const TEffectParams record = RecordThroughControls(ColorRecord());
    Bitmap preview;
    std::string error;
    ASSERT_TRUE(PreviewDisplayed(shown, record, 100, 0, RegionSpec{300, 200, 212, 100}, preview, error)) << error;
    TDrawEffect effect;
    RunEngine(effect, record, shown, RegionSpec{300, 200, 212, 100});
    Bitmap expected;
    effect.ComposePreview(expected);
    EXPECT_EQ(preview, expected);

    EXPECT_FALSE(PreviewDisplayed(shown, record, 100, 0, RegionSpec{300, 200, 213, 100}, preview, error));
    EXPECT_NE(error.find("outside"), std::string::npos);
    EXPECT_FALSE(PreviewDisplayed(shown, record, 50, 0, RegionSpec{0, 0, 257, 10}, preview, error))
        << "the region is checked against the resized picture";

    TEffectParams none = record;
    none.DrawSketch = none.DrawColor = false;
    ASSERT_TRUE(PreviewDisplayed(shown, none, 100, 0, RegionSpec{10, 20, 5, 4}, preview, error));
    EXPECT_EQ(preview.Pixel(0, 0)[2], shown.Pixel(10, 20)[2]) << "both layers off show the picture itself";
}

TEST(BatchProgram, ConvertsTheSampleToEachOutputType) {
    TempDir dir;
    ColorProgram program;
    for (const char* name : {"out.jpg", "out.bmp", "out.d2o"}) {
        const BatchRun r = RunProgram({kSample, "-o", dir / name, "-q"}, program.Folder());
        EXPECT_EQ(r.status, 0) << name << r.err;
        EXPECT_TRUE(r.err.empty()) << r.err;
    }
    const ConversionOutput expected = Expected(kSample);
    EXPECT_EQ(ReadBack(dir / "out.bmp"), expected.Composite);
    const Bitmap jpg = ReadBack(dir / "out.jpg");
    ASSERT_EQ(jpg.Width(), 512);
    EXPECT_NEAR(jpg.Pixel(256, 256)[2], expected.Composite.Pixel(256, 256)[2], 12);

    ProjectData project;
    std::string error;
    ASSERT_EQ(LoadD2O(dir / "out.d2o", project, &error), 0) << error;
    EXPECT_EQ(project.Sketch, expected.Sketch);
    EXPECT_EQ(project.Color, expected.Color);
    EXPECT_EQ(project.Photo, expected.Photo);
    EXPECT_EQ(project.State, expected.State);
}

// The main window keeps an opened project's choice of the layers the tools paint on
// through a conversion; so does a project converted into a project here.
TEST(BatchProgram, AProjectKeepsItsDrawableLayersThroughTheConversion) {
    TempDir dir;
    ColorProgram program;
    const Bitmap picture = Gradient(40, 30);
    Bitmap white(40, 30);
    white.Fill(255, 255, 255);
    std::string error;
    for (const bool sketchDrawable : {false, true}) {
        const LayerState state{.BlendingMode = 1, .Opacity = 20, .SketchVisible = false,
                               .SketchDrawable = sketchDrawable, .ColorDrawable = !sketchDrawable};
        ASSERT_EQ(SaveD2O(dir / "in.d2o", white, picture, picture, state, &error), 0) << error;
        const BatchRun r = RunProgram({dir / "in.d2o", "-o", dir / "out.d2o", "-q"}, program.Folder());
        ASSERT_EQ(r.status, 0) << r.err;

        ProjectData project;
        ASSERT_EQ(LoadD2O(dir / "out.d2o", project, &error), 0) << error;
        EXPECT_EQ(project.State.SketchDrawable, sketchDrawable);
        EXPECT_EQ(project.State.ColorDrawable, !sketchDrawable);
        // The rest is the conversion's: its blending, both layers shown.
        EXPECT_EQ(project.State.BlendingMode, 0);
        EXPECT_TRUE(project.State.SketchVisible && project.State.ColorVisible);
    }
}

TEST(BatchProgram, FailedInputsAreReportedAndTheOthersStillConverted) {
    TempDir dir, out, program;
    fs::copy_file(kSample, dir / "good.jpg");
    WriteBmp(dir / "small.bmp", Gradient(100, 80));
    std::ofstream(dir / "broken.jpg") << "not a picture";
    std::ofstream(dir / "photo.png") << "whatever";

    const BatchRun r = RunProgram({dir / "missing.jpg", dir / "photo.png", dir / "broken.jpg", dir / "good.jpg",
                            dir / "small.bmp", "-o", out.Folder(), "-f", "bmp", "-j", "2"},
                           program.Folder());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.jpg"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("photo.png"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("broken.jpg"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(out / "good_cartoon.bmp"));
    EXPECT_TRUE(fs::exists(out / "small_cartoon.bmp"));
    EXPECT_EQ(Lines(r.err), 3u) << "one line per failed input";
    EXPECT_EQ(r.out, "2 converted, 3 failed\n");

    // A region outside one picture fails that input only; the other gets the region's
    // preview as a bitmap.
    const BatchRun region = RunProgram({"--region", "0,0,200,100", dir / "small.bmp", dir / "good.jpg", "-o",
                                 out.Folder()},
                                program.Folder());
    EXPECT_EQ(region.status, 1);
    EXPECT_NE(region.err.find("small.bmp"), std::string::npos);
    EXPECT_NE(region.err.find("outside"), std::string::npos);
    EXPECT_EQ(ReadBack(out / "good_cartoon.bmp").Width(), 200);

    // So does a width larger than one of the pictures.
    const BatchRun width = RunProgram({"--width", "300", dir / "small.bmp", dir / "good.jpg", "-o", out.Folder()},
                               program.Folder());
    EXPECT_EQ(width.status, 1);
    EXPECT_NE(width.err.find("small.bmp"), std::string::npos);
    const Bitmap converted = ReadBack(out / "good_cartoon.jpg");
    EXPECT_EQ(converted.Width(), 300);
    EXPECT_EQ(converted.Height(), 300);

    // Two inputs that would write the same file: the second is refused.
    WriteBmp(dir / "good.bmp", Gradient(20, 20));
    const BatchRun clash = RunProgram({dir / "good.jpg", dir / "good.bmp", "-o", out.Folder()}, program.Folder());
    EXPECT_EQ(clash.status, 1);
    EXPECT_NE(clash.err.find("good.bmp"), std::string::npos);
}

// A result is never written over an input: not over another input of the run (a result
// left by an earlier run, or a second name of it, a hard link as photo managers and
// backups make), nor through a link to the input left where its result's name is, which
// is not a place the user chose. The other inputs are still converted.
TEST(BatchProgram, AResultNameThatLeadsToItsOwnInputIsRefused) {
    enum Kind { Copy, HardLink, SymLink };
    struct Made {
        const char* name;
        Kind kind;
        const char* of;  // an input of the case; a copy is of the sample
    };
    struct Case {
        const char* what;
        Made made;
        std::vector<std::string> args;  // file names are in the case's own folder
        const char* kept;
        const char* converted;
    };
    const std::string sample = FileBytes(kSample);
    for (const Case& c :
         {Case{"an earlier run's result", {"a_cartoon.jpg", Copy, ""}, {"a.jpg", "a_cartoon.jpg"}, "a_cartoon.jpg",
               "a_cartoon_cartoon.jpg"},
          Case{"AnOutputThatIsAnotherInputUnderAnotherNameIsRefused", {"a_cartoon.jpg", HardLink, "b.jpg"},
               {"a.jpg", "b.jpg"}, "b.jpg", "b_cartoon.jpg"},
          Case{"a link to the input beside it", {"a_cartoon.jpg", SymLink, "a.jpg"}, {"a.jpg"}, "a.jpg", nullptr},
          Case{"a link to the input in the output folder", {"out/a_cartoon.jpg", HardLink, "a.jpg"},
               {"a.jpg", "-o", "out"}, "a.jpg", nullptr}}) {
        SCOPED_TRACE(c.what);
        TempDir dir, program;
        fs::create_directory(dir / "out");
        fs::copy_file(kSample, dir / "a.jpg");
        fs::copy_file(kSample, dir / "b.jpg");
        const Made& m = c.made;
        if (m.kind == Copy) fs::copy_file(kSample, dir / m.name);
        if (m.kind == HardLink) fs::create_hard_link(dir / m.of, dir / m.name);
        if (m.kind == SymLink) fs::create_symlink(dir / m.of, dir / m.name);
        std::vector<std::string> args{"-j", "1"};
        for (const std::string& a : c.args) args.push_back(a[0] == '-' ? a : dir / a);
        const BatchRun r = RunProgram(args, program.Folder());
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("is the input"), std::string::npos) << r.err;
        EXPECT_TRUE(FileBytes(dir / c.kept) == sample) << c.kept << " was written over";
        EXPECT_TRUE(!c.converted || fs::exists(dir / c.converted)) << c.converted;
    }

    // Naming the input itself with -o still writes over it, as asked.
    TempDir dir, program;
    fs::copy_file(kSample, dir / "b.jpg");
    const BatchRun named = RunProgram({dir / "b.jpg", "-o", dir / "b.jpg", "-q"}, program.Folder());
    EXPECT_EQ(named.status, 0) << named.err;
    EXPECT_FALSE(ReadBack(dir / "b.jpg") == ReadBack(kSample));
}

TEST(BatchProgram, UsageErrorsConvertNothing) {
    TempDir dir, program;
    fs::copy_file(kSample, dir / "a.jpg");
    fs::copy_file(kSample, dir / "b.jpg");
    // Malformed options (each one proven in batch_args_test), a missing preset, one
    // output named for two inputs, and an output file of a type that cannot be written.
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--bogus", dir / "a.jpg"},
             {"-p", dir / "none.set", dir / "a.jpg"},
             {dir / "a.jpg", dir / "b.jpg", "-o", dir / "single.jpg"},
             {dir / "a.jpg", "-o", dir / "result.tif"},
             {dir / "a.jpg", "-o", dir / "not-made-yet/"},
             {dir / "a.jpg", "--region", "0,0,5,5", "-o", dir / "region.jpg"},
         }) {
        const BatchRun r = RunProgram(args, program.Folder());
        EXPECT_EQ(r.status, 2) << args.back();
        EXPECT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.find("extension \"\""), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir / "a_cartoon.jpg"));
    }
    const BatchRun help = RunProgram({"-h"}, program.Folder());
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--region"), std::string::npos);
    EXPECT_NE(help.out.find("--version"), std::string::npos);

    const BatchRun version = RunProgram({"--version", dir / "a.jpg"}, program.Folder());
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string(kProgramName) + " " + kProgramVersion + "\n");
    EXPECT_FALSE(fs::exists(dir / "a_cartoon.jpg")) << "the version converts nothing";
}

TEST(BatchProgram, PngPicturesGoInAndComeOutLikeTheOthers) {
    TempDir dir, out;
    ColorProgram program;
    const Bitmap picture = Gradient(60, 45);
    std::string error;
    ASSERT_TRUE(WritePngFile(dir / "g.png", picture, error)) << error;
    WriteBmp(dir / "h.bmp", picture);

    // On a terminal: one line per finished file, never a line redrawn in place.
    const BatchRun run =
        RunProgram({dir / "g.png", dir / "h.bmp", "-f", "png", "-o", out.Folder(), "-j", "1"}, program.Folder(), true);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "2 converted, 0 failed\n");
    EXPECT_EQ(run.err.find('\r'), std::string::npos);
    EXPECT_EQ(run.err.rfind("[1/2] " + (dir / "g.png") + " -> " + (out / "g_cartoon.png"), 0), 0u) << run.err;
    EXPECT_NE(run.err.find("\n[2/2] " + (dir / "h.bmp") + " -> "), std::string::npos) << run.err;
    EXPECT_EQ(Lines(run.err), 2u);

    const ConversionOutput expected = Expected(dir / "h.bmp");
    for (const char* name : {"g_cartoon.png", "h_cartoon.png"})
        EXPECT_EQ(ReadBack(out / name), expected.Composite) << name;

    // Quiet: no summary even after several inputs.
    const BatchRun quiet = RunProgram({dir / "g.png", dir / "h.bmp", "-q", "-o", out.Folder()},
                                      program.Folder());
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_TRUE(quiet.out.empty() && quiet.err.empty());
}

TEST(BatchProgram, ParallelConversionsMatchSequentialOnes) {
    TempDir dir, seq, par;
    ColorProgram program;
    std::vector<std::string> inputs;
    for (int i = 0; i < 4; ++i) {
        inputs.push_back(dir / ("in" + std::to_string(i) + ".bmp"));
        WriteBmp(inputs.back(), Gradient(90 + 10 * i, 70));
    }
    auto with = [&](const std::string& folder, const char* threads) {
        std::vector<std::string> args = inputs;
        args.insert(args.end(), {"-o", folder, "-f", "bmp", "-j", threads});
        return RunProgram(args, program.Folder()).status;
    };
    ASSERT_EQ(with(seq.Folder(), "1"), 0);
    ASSERT_EQ(with(par.Folder(), "4"), 0);
    for (int i = 0; i < 4; ++i) {
        const std::string name = "in" + std::to_string(i) + "_cartoon.bmp";
        EXPECT_EQ(ReadBack(seq / name), ReadBack(par / name)) << name;
    }
}
