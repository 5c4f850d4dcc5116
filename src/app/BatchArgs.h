#pragma once
// The batch converter's command line: the options it takes, their meaning, and where
// each result goes. Free of any conversion, so that it can be tested alone.

#include <string>
#include <vector>

namespace velmora {

struct RegionSpec {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

struct BatchOptions {
    std::string PresetPath;  // empty: "default.set" in the program's folder
    std::string OutputPath;  // empty: next to each input
    std::string Format;      // "bmp", "jpg", "png" or "d2o"; empty: jpg (bmp for a region)
    bool HasRegion = false;
    RegionSpec Region;
    int ScalePercent = 100;  // 1..100
    int Width = 0;           // 0: not given
    int Threads = 0;         // 0: one per core
    bool Quiet = false;
    bool Help = false;
    bool Version = false;
    std::vector<std::string> Inputs;
};

// Parses the arguments after the program name. False with a one-line message for an
// unknown option, a missing or malformed value, or no input (which --help and
// --version do not need).
bool ParseBatchArguments(const std::vector<std::string>& args, BatchOptions& options, std::string& error);
std::string BatchUsage();

// Why `output` cannot take a result (an extension of no known type, or a region
// preview in anything but a .bmp); empty when it can.
std::string OutputTypeProblem(const std::string& output, bool region);

// Where the result of `input` goes; empty with a message when -o names something
// that cannot take it.
std::string BatchOutputPath(const std::string& input, const BatchOptions& options, bool severalInputs,
                            std::string& error);

}  // namespace velmora
