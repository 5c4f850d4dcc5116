#include "app/BatchArgs.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <sstream>

#include "app/DocumentFiles.h"
#include "common/Bitmap.h"
#include "io/FileUtil.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

bool ParseInt(const std::string& text, long long lo, long long hi, int& value) {
    long long v = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    const auto [ptr, ec] = std::from_chars(begin, end, v);
    if (ec != std::errc() || ptr != end || text.empty() || v < lo || v > hi) return false;
    value = static_cast<int>(v);
    return true;
}

bool ParseRegion(const std::string& text, RegionSpec& r) {
    std::vector<std::string> parts;
    std::stringstream ss(text);
    std::string part;
    while (std::getline(ss, part, ',')) parts.push_back(part);
    if (parts.size() != 4 || text.back() == ',') return false;
    constexpr long long kMax = kMaxPictureSide;
    return ParseInt(parts[0], 0, kMax, r.Left) && ParseInt(parts[1], 0, kMax, r.Top) &&
           ParseInt(parts[2], 1, kMax, r.Width) && ParseInt(parts[3], 1, kMax, r.Height);
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

}  // namespace

std::string BatchUsage() {
    return "Usage: velmora-batch [options] INPUT...\n"
           "Converts photographs (.jpg, .jpeg, .bmp, .png) or projects (.d2o) into cartoons.\n"
           "  -p, --preset FILE     parameter record (.set); default: \"default.set\" in the program's\n"
           "                        folder, or the conversion dialog's own control defaults without one\n"
           "  -o, --output PATH     output file for one input, or an existing folder for several\n"
           "  -f, --format bmp|jpg|png|d2o   output type when writing into a folder or next to\n"
           "                        the input (default jpg); a single -o FILE goes by its extension\n"
           "      --region L,T,W,H  write the live-preview blend of that rectangle (as the conversion\n"
           "                        dialog shows it) as a .bmp instead of converting the whole picture\n"
           "      --scale PERCENT | --width PIXELS   image size before converting, as the dialog's\n"
           "                        Image Size page sets it (1..100 %, or a width up to the original)\n"
           "  -j, --threads N       threads to use: several inputs are converted side by side\n"
           "                        (default: the number of cores)\n"
           "  -q, --quiet           only errors: no line per finished file on a terminal and no\n"
           "                        closing summary (\"12 converted, 1 failed\") after several inputs\n"
           "  -h, --help            this text\n"
           "      --version         the program's name and version\n"
           "Without -o each result is written next to its input as NAME_cartoon.jpg\n"
           "(NAME_cartoon.FORMAT with -f, NAME_cartoon.bmp with --region).\n"
           "The exit status is 0 when every input was converted, 1 when some failed (or what\n"
           "was asked for could not be written to the standard output) and 2 for a mistake\n"
           "in the options or a preset that cannot be read.\n";
}

bool ParseBatchArguments(const std::vector<std::string>& args, BatchOptions& o, std::string& error) {
    o = BatchOptions{};
    bool scaleGiven = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string a = args[i];
        if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
            o.Inputs.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        // "--name=value" carries its value inline.
        std::string inlineValue;
        bool hasInline = false;
        if (a.rfind("--", 0) == 0) {
            const auto eq = a.find('=');
            if (eq != std::string::npos) {
                inlineValue = a.substr(eq + 1);
                a = a.substr(0, eq);
                hasInline = true;
            }
        }
        auto value = [&](std::string& v) {
            if (hasInline) {
                v = inlineValue;
                return true;
            }
            if (i + 1 >= args.size()) {
                error = "option " + a + " needs a value";
                return false;
            }
            v = args[++i];
            return true;
        };
        auto noValue = [&] {
            if (!hasInline) return true;
            error = "option " + a + " takes no value";
            return false;
        };
        std::string v;
        if (a == "-h" || a == "--help") {
            if (!noValue()) return false;
            o.Help = true;
        } else if (a == "--version") {
            if (!noValue()) return false;
            o.Version = true;
        } else if (a == "-q" || a == "--quiet") {
            if (!noValue()) return false;
            o.Quiet = true;
        } else if (a == "-p" || a == "--preset") {
            if (!value(v)) return false;
            if (v.empty()) return error = "option " + a + " needs a file name", false;
            o.PresetPath = v;
        } else if (a == "-o" || a == "--output") {
            if (!value(v)) return false;
            if (v.empty()) return error = "option " + a + " needs a path", false;
            o.OutputPath = v;
        } else if (a == "-f" || a == "--format") {
            if (!value(v)) return false;
            v = Lower(v);
            if (v != "bmp" && v != "jpg" && v != "png" && v != "d2o")
                return error = "unknown format '" + v + "' (use bmp, jpg, png or d2o)", false;
            o.Format = v;
        } else if (a == "--region") {
            if (!value(v)) return false;
            if (!ParseRegion(v, o.Region))
                return error = "bad region '" + v + "' (expected LEFT,TOP,WIDTH,HEIGHT with a positive size, " +
                               "each at most " + std::to_string(kMaxPictureSide) + ")",
                       false;
            o.HasRegion = true;
        } else if (a == "--scale") {
            if (!value(v)) return false;
            if (!ParseInt(v, 1, 100, o.ScalePercent)) return error = "bad scale '" + v + "' (expected 1..100)", false;
            scaleGiven = true;
        } else if (a == "--width") {
            if (!value(v)) return false;
            if (!ParseInt(v, 1, kMaxPictureSide, o.Width))
                return error = "bad width '" + v + "' (expected 1.." + std::to_string(kMaxPictureSide) + " pixels)",
                       false;
        } else if (a == "-j" || a == "--threads") {
            if (!value(v)) return false;
            if (!ParseInt(v, 1, 1024, o.Threads)) return error = "bad thread count '" + v + "'", false;
        } else {
            error = "unknown option '" + args[i] + "'";
            return false;
        }
    }
    if (scaleGiven && o.Width > 0) return error = "--scale and --width cannot be used together", false;
    if (o.HasRegion && !o.Format.empty() && o.Format != "bmp")
        return error = "a region preview is written as bmp", false;
    if (!o.Help && !o.Version && o.Inputs.empty()) return error = "no input files", false;
    return true;
}

std::string OutputTypeProblem(const std::string& output, bool region) {
    const std::string ext = UpperExtension(output);
    // A name without a type is most likely a folder not made yet.
    if (ext.empty())
        return output + ": no such folder, and no file type to write (use .bmp, .jpg, .png or .d2o)";
    // The types the program's own save writes, by the same rule (.jpeg included).
    const FileFormat format = FormatForFileName(output);
    if (format == FileFormat::Unknown)
        return output + ": unknown output extension \"" + fs::path(output).extension().string() +
               "\" (use .bmp, .jpg, .png or .d2o)";
    if (region && format != FileFormat::Bmp) return output + ": a region preview is written as .bmp";
    return {};
}

std::string BatchOutputPath(const std::string& input, const BatchOptions& options, bool severalInputs,
                            std::string& error) {
    const std::string format = !options.Format.empty() ? options.Format : options.HasRegion ? "bmp" : "jpg";
    const std::string name = fs::path(input).stem().string() + "_cartoon." + format;
    if (options.OutputPath.empty()) return (fs::path(input).parent_path() / name).string();
    std::error_code ec;
    if (fs::is_directory(options.OutputPath, ec)) return (fs::path(options.OutputPath) / name).string();
    if (severalInputs) {
        error = options.OutputPath + ": not an existing folder, as several inputs need";
        return {};
    }
    // A file named by -o is the user's choice of type, checked before anything runs.
    error = OutputTypeProblem(options.OutputPath, options.HasRegion);
    return error.empty() ? options.OutputPath : std::string();
}

}  // namespace velmora
