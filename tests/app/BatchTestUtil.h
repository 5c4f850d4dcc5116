#pragma once
// Shared by the batch converter's tests: the sample photograph, the program's core run
// with its output captured, preset files cut to any length, and pictures on disk.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/Batch.h"
#include "conversion/ParamControls.h"
#include "conversion/Preset.h"
#include "io/Bmp.h"
#include "io/Jpeg.h"
#include "io/Png.h"
#include "support/TempDir.h"

namespace velmora::test {

inline const std::string kSample = std::string(VELMORA_SOURCE_DIR) + "/data/sample.jpg";
inline const std::string kBatchProgram = std::string(VELMORA_PROGRAM_DIR) + "/velmora-batch";

struct BatchRun {
    int status = -1;
    std::string out, err;
    bool threw = false;
};

// An exception escaping the core is recorded, not thrown on: the real program would end on it.
inline BatchRun RunProgram(const std::vector<std::string>& args, const std::string& programDir,
                           bool terminal = false) {
    std::ostringstream out, err;
    BatchRun r;
    try {
        r.status = RunBatch(args, programDir, out, err, terminal);
    } catch (const std::exception& e) {
        r.threw = true;
        r.err = e.what();
        return r;
    }
    r.out = out.str();
    r.err = err.str();
    return r;
}

inline std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// The default controls with the color layer on as well.
inline TEffectParams ColorRecord() {
    TEffectParams p = ControlDefaultRecord();
    p.DrawColor = true;
    return p;
}

// The record's preset file, or only its first `bytes` bytes.
inline void WritePreset(const std::string& path, const TEffectParams& p, std::size_t bytes = kEffectParamsSize) {
    const EffectParamsBytes b = p.ToBytes();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(bytes));
}

// A program folder whose default preset turns the color layer on as well.
struct ColorProgram : TempDir {
    ColorProgram() { WritePreset(*this / "default.set", ColorRecord()); }
};

inline std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBmp(const std::string& path, const Bitmap& b) {
    std::string error;
    ASSERT_TRUE(WriteBmpFile(path, b, error)) << error;
}

// The picture in a BMP, PNG or JPEG file, read by its extension; empty when it cannot be read.
inline Bitmap ReadBack(const std::string& path) {
    Bitmap b;
    std::string error;
    const std::string type = path.substr(path.rfind('.') + 1);
    const bool read = type == "bmp"   ? ReadBmpFile(path, b, error)
                      : type == "png" ? ReadPngFile(path, b, error)
                                      : ReadJpegFile(path, b, error);
    EXPECT_TRUE(read) << path << ": " << error;
    return b;
}

}  // namespace velmora::test
