#include "app/Batch.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <new>
#include <ostream>
#include <sstream>
#include <thread>

#include "app/DocumentFiles.h"
#include "app/Version.h"
#include "conversion/ParamControls.h"
#include "conversion/Preset.h"
#include "conversion/Resample.h"
#include "document/Document.h"
#include "engine/DrawEffect.h"
#include "engine/Parallel.h"
#include "io/FileUtil.h"
#include "io/ProjectFile.h"

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
           "Without -o each result is written next to its input as NAME_cartoon.jpg.\n"
           "The exit status is 0 when every input was converted, 1 when some failed and 2 for\n"
           "a mistake in the options.\n";
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
                return error = "bad region '" + v + "' (expected LEFT,TOP,WIDTH,HEIGHT with a positive size)", false;
            o.HasRegion = true;
        } else if (a == "--scale") {
            if (!value(v)) return false;
            if (!ParseInt(v, 1, 100, o.ScalePercent)) return error = "bad scale '" + v + "' (expected 1..100)", false;
            scaleGiven = true;
        } else if (a == "--width") {
            if (!value(v)) return false;
            if (!ParseInt(v, 1, kMaxPictureSide, o.Width))
                return error = "bad width '" + v + "' (expected a number of pixels)", false;
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

namespace {

// A preset named on the command line must be one: exactly the record's 121 bytes.
// The application warns about a short file; here, with nobody to see a warning,
// a file of another size (a truncated preset, a picture) is refused.
bool ReadNamedPreset(const std::string& path, TEffectParams& record, std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!ReadFilePrefix(path, kEffectParamsSize + 1, bytes, error)) return false;
    const std::string size = std::to_string(kEffectParamsSize);
    if (bytes.size() < static_cast<std::size_t>(kEffectParamsSize))
        return error = path + " is shorter than a preset file (" + std::to_string(bytes.size()) + " of " + size +
                       " bytes)",
               false;
    if (bytes.size() > static_cast<std::size_t>(kEffectParamsSize))
        return error = path + " is not a preset file: it is longer than the " + size + " bytes of one", false;
    return ReadPresetBytes(bytes.data(), bytes.size(), record);
}

}  // namespace

bool BatchRecord(const std::string& presetPath, const std::string& programDir, TEffectParams& record,
                 std::string& error) {
    // A new conversion dialog starts from an all-zero record and reads the default
    // preset over it; a chosen preset is read over that, as the shortcut commands do.
    const std::string defaultPath = (fs::path(programDir) / "default.set").string();
    std::error_code ec;
    const bool haveDefault = fs::is_regular_file(defaultPath, ec);
    TEffectParams loaded;
    if (haveDefault) {
        std::string ignored;
        ReadPresetFile(defaultPath, loaded, ignored);
    }
    if (!presetPath.empty()) {
        if (!ReadNamedPreset(presetPath, loaded, error)) return false;
    } else if (!haveDefault) {
        // Without any preset the controls keep their own defaults.
        loaded = ControlDefaultRecord();
    }
    // The Sketch page's threshold is never set by a preset: a new dialog has it at 0.
    record = RecordThroughControls(loaded, kSketchThreshold.Default);
    return true;
}

bool OpenAsDisplayed(const std::string& path, Bitmap& displayed, std::string& error) {
    const FileFormat format = FormatForFileName(path);
    Document doc;
    LayerState state;
    // ".jpeg" is a JPEG as much as ".jpg"; the open dialog offers both.
    if (format == FileFormat::Jpeg || format == FileFormat::Bmp || format == FileFormat::Png) {
        Bitmap picture;
        if (!ReadPictureFile(path, picture, error)) return false;
        // Opening puts the picture in the photograph and the color layer, clears the
        // sketch layer to white and selects Multiply with both layers visible.
        doc.PhotoBmp = picture;
        doc.ColorBmp = picture;
        doc.SketchBmp = std::move(picture);
        FillWhite(doc.SketchBmp);
        state.BlendingMode = 0;
        state.SketchVisible = state.ColorVisible = true;
    } else if (format == FileFormat::Project) {
        ProjectData project;
        std::string why;
        if (LoadD2O(path, project, &why) != 0)
            return error = path + " is not a valid .d2o file." + (why.empty() ? "" : " (" + why + ")"), false;
        doc.PhotoBmp = std::move(project.Photo);
        doc.SketchBmp = std::move(project.Sketch);
        doc.ColorBmp = std::move(project.Color);
        state = project.State;
    } else {
        error = path + ": unknown extension \"" + fs::path(path).extension().string() +
                "\" (pictures are .jpg, .jpeg, .bmp or .png, projects .d2o)";
        return false;
    }
    if (doc.SketchBmp.Empty()) return error = path + ": the picture is empty", false;
    doc.CompositeAll(state);
    displayed = std::move(doc.CompositeBmp);
    return true;
}

namespace {

// The image-size page's handlers, replayed from the state the dialog shows: both
// spin edits and the current size at the original size. Every resampling starts from
// the stored pixels, so only the size of the last one matters; a size with a side
// below 1 resamples nothing and leaves the photograph as it was.
struct ImageSizePage {
    int ow, oh;
    int currentW = ow, currentH = oh, spinW = ow, spinH = oh;
    std::pair<int, int> photo{ow, oh};

    void Resample(int w, int h) {
        if (w >= 1 && h >= 1) photo = {w, h};
    }
    // Setting a spin edit runs its change handler only when the value changes.
    void SetSpinWidth(int v) {
        v = std::clamp(v, 0, ow);
        if (v == spinW) return;
        spinW = v;
        if (spinW > 0 && spinW != currentW) {
            currentW = spinW;
            currentH = static_cast<int>(static_cast<long long>(currentW) * oh / ow);
            SetSpinHeight(currentH);
            Resample(currentW, currentH);
        }
    }
    void SetSpinHeight(int v) {
        v = std::clamp(v, 0, oh);
        if (v == spinH) return;
        spinH = v;
        if (spinH > 0 && spinH != currentH) {
            currentH = spinH;
            currentW = static_cast<int>(static_cast<long long>(currentH) * ow / oh);
            SetSpinWidth(currentW);
            Resample(currentW, currentH);
        }
    }
    void MoveSlider(int percent) {
        if (percent == 100) return;
        const int w = static_cast<int>(static_cast<long long>(percent) * ow / 100);
        const int h = static_cast<int>(static_cast<long long>(percent) * oh / 100);
        SetSpinWidth(w);
        SetSpinHeight(h);
        Resample(w, h);
    }
};

}  // namespace

std::pair<int, int> DialogImageSize(int originalWidth, int originalHeight, int scalePercent, int width) {
    if (originalWidth < 1 || originalHeight < 1) return {originalWidth, originalHeight};
    ImageSizePage page{originalWidth, originalHeight};
    if (width > 0)
        page.SetSpinWidth(width);
    else if (scalePercent >= 1 && scalePercent <= 100)
        page.MoveSlider(scalePercent);
    return page.photo;
}

namespace {

// The photograph the conversion dialog leaves in PhotoBmp: the displayed picture's
// pixels stored and resampled, first at the original size when the dialog is shown,
// then at the chosen size.
bool DialogPhoto(const Bitmap& displayed, int scalePercent, int width, Bitmap& photo, std::string& error) {
    if (width > displayed.Width()) {
        error = "the width " + std::to_string(width) + " is larger than the picture's " +
                std::to_string(displayed.Width()) + " pixels";
        return false;
    }
    const auto [w, h] = DialogImageSize(displayed.Width(), displayed.Height(), scalePercent, width);
    if (w >= 1 && h >= 1 && w == displayed.Width() && h == displayed.Height()) {
        // Resampling to the same size gives every pixel back unchanged, so a page left
        // at 100 % is a plain copy.
        photo = displayed;
        return true;
    }
    SourcePixels source;  // private to this conversion, so parallel conversions never share it
    StoreSourcePixels(displayed, source);
    ResampleSourcePixels(source, w, h, photo);
    return true;
}

}  // namespace

bool ConvertDisplayed(const Bitmap& displayed, const TEffectParams& record, int scalePercent, int width,
                      ConversionOutput& out, std::string& error, ProgressTargets* progress) {
    if (!DialogPhoto(displayed, scalePercent, width, out.Photo, error)) return false;
    TEffectParams p = record;
    p.SourceBitmap = &out.Photo;
    p.Left = 0;
    p.Top = 0;
    p.Width = out.Photo.Width();
    p.Height = out.Photo.Height();
    const std::string problem = ValidateParams(p, out.Photo.Width(), out.Photo.Height());
    if (!problem.empty()) return error = "the parameters cannot be used: " + problem, false;

    // Each conversion has a stop request of its own, which nothing sets: conversions
    // side by side neither share nor clear the program-wide flag.
    const CancelToken neverCancelled;
    TDrawEffect effect;
    effect.SetCancelToken(&neverCancelled);
    effect.SetProgress(progress);
    effect.SetParams(p);
    effect.Execute();
    if (!effect.HasResult())
        return error = effect.OutOfMemory() ? "not enough memory to convert it" : "the conversion did not finish", false;
    effect.GetLayers(out.Sketch, out.Color);

    // The main window's settings after a conversion: the blending chosen in the
    // coloring options, both layers visible; the drawable flags keep their start values.
    out.State = LayerState{};
    out.State.BlendingMode = p.BlendMode == 1 ? 0 : 1;
    out.State.Opacity = p.Opacity;
    out.State.SketchVisible = out.State.ColorVisible = true;

    out.Composite.SetSize(out.Sketch.Width(), out.Sketch.Height());
    CompositeRect(out.Composite, out.Sketch, out.Color, out.Photo, out.State,
                  Rect{0, 0, out.Sketch.Width() - 1, out.Sketch.Height() - 1});
    return true;
}

bool PreviewDisplayed(const Bitmap& displayed, const TEffectParams& record, int scalePercent, int width,
                      RegionSpec region, Bitmap& preview, std::string& error) {
    Bitmap photo;
    if (!DialogPhoto(displayed, scalePercent, width, photo, error)) return false;
    if (region.Left < 0 || region.Top < 0 || region.Width < 1 || region.Height < 1 ||
        static_cast<long long>(region.Left) + region.Width > photo.Width() ||
        static_cast<long long>(region.Top) + region.Height > photo.Height()) {
        error = "the region " + std::to_string(region.Left) + "," + std::to_string(region.Top) + "," +
                std::to_string(region.Width) + "," + std::to_string(region.Height) + " lies outside the " +
                std::to_string(photo.Width()) + "x" + std::to_string(photo.Height()) + " picture";
        return false;
    }
    if (!record.DrawSketch && !record.DrawColor) {
        // With both layers off the dialog shows the unprocessed picture.
        preview.SetSize(region.Width, region.Height);
        for (int y = 0; y < region.Height; ++y)
            std::copy_n(photo.Pixel(region.Left, region.Top + y), 3 * static_cast<std::size_t>(region.Width),
                        preview.Row(y));
        return true;
    }
    TEffectParams p = record;
    p.SourceBitmap = &photo;
    p.Left = region.Left;
    p.Top = region.Top;
    p.Width = region.Width;
    p.Height = region.Height;
    const std::string problem = ValidateParams(p, photo.Width(), photo.Height());
    if (!problem.empty()) return error = "the parameters cannot be used: " + problem, false;
    const CancelToken neverCancelled;
    TDrawEffect effect;
    effect.SetCancelToken(&neverCancelled);
    effect.SetParams(p);
    effect.Execute();
    if (!effect.HasResult())
        return error = effect.OutOfMemory() ? "not enough memory to convert it" : "the preview did not finish", false;
    effect.ComposePreview(preview);
    return true;
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
    return options.OutputPath;
}

bool ConvertFile(const std::string& input, const std::string& output, const TEffectParams& record,
                 const BatchOptions& options, std::string& error, ProgressTargets* progress) {
    try {
        const std::string outExt = UpperExtension(output);
        if (outExt != ".BMP" && outExt != ".JPG" && outExt != ".PNG" && outExt != ".D2O")
            return error = output + ": unknown output extension \"" + fs::path(output).extension().string() +
                           "\" (use .bmp, .jpg, .png or .d2o)",
                   false;
        if (options.HasRegion && outExt != ".BMP")
            return error = output + ": a region preview is written as .bmp", false;

        Bitmap displayed;
        if (!OpenAsDisplayed(input, displayed, error)) return false;

        std::string why;
        if (options.HasRegion) {
            Bitmap preview;
            if (!PreviewDisplayed(displayed, record, options.ScalePercent, options.Width, options.Region, preview, why))
                return error = input + ": " + why, false;
            return WritePictureFile(output, preview, error);
        }
        ConversionOutput result;
        if (!ConvertDisplayed(displayed, record, options.ScalePercent, options.Width, result, why, progress))
            return error = input + ": " + why, false;
        if (outExt != ".D2O") return WritePictureFile(output, result.Composite, error);
        if (SaveD2O(output, result.Sketch, result.Color, result.Photo, result.State, &why) != 0)
            return error = why.empty() ? output + ": could not be written" : why, false;
        return true;
    } catch (const std::bad_alloc&) {
        error = input + ": not enough memory to convert it";
    } catch (const std::exception& e) {
        error = input + ": " + e.what();
    }
    return false;
}

namespace {

// What a run tells while conversions go on side by side: on a terminal one line per
// finished input, and one line per failure always. Each line is written whole under
// the lock, so lines of different threads never mix, and no line is ever redrawn.
class RunReport {
public:
    RunReport(std::ostream& err, bool perFile, bool quiet, std::size_t total)
        : err_(err), perFile_(perFile), quiet_(quiet), total_(total) {}

    void Converted(const std::string& input, const std::string& output, double seconds) {
        std::lock_guard lock(mutex_);
        ++converted_;
        if (!perFile_) return;
        char time[32];
        std::snprintf(time, sizeof time, "%.1f s", seconds);
        err_ << Counter() << input << " -> " << output << " (" << time << ")\n";
        err_.flush();
    }
    // A line about the run itself, not counted as a failure; not shown with --quiet.
    void Note(const std::string& message) {
        std::lock_guard lock(mutex_);
        if (quiet_) return;
        err_ << "velmora-batch: " << message << "\n";
        err_.flush();
    }
    void Failed(const std::string& message) {
        std::lock_guard lock(mutex_);
        ++failed_;
        err_ << (perFile_ ? Counter() : std::string()) << "velmora-batch: " << message << "\n";
        err_.flush();
    }
    // Read once every worker has ended.
    std::size_t ConvertedCount() const { return converted_; }
    std::size_t FailedCount() const { return failed_; }

private:
    std::string Counter() const {
        return "[" + std::to_string(converted_ + failed_) + "/" + std::to_string(total_) + "] ";
    }

    std::ostream& err_;
    bool perFile_;
    bool quiet_;
    std::size_t total_;
    std::size_t converted_ = 0;
    std::size_t failed_ = 0;
    std::mutex mutex_;
};

}  // namespace

int RunBatch(const std::vector<std::string>& args, const std::string& programDir, std::ostream& out,
             std::ostream& err, bool progressToTerminal) {
    BatchOptions options;
    std::string error;
    if (!ParseBatchArguments(args, options, error)) {
        err << "velmora-batch: " << error << " (see --help)\n";
        return 2;
    }
    if (options.Help) {
        out << BatchUsage();
        return 0;
    }
    if (options.Version) {
        out << kProgramName << " " << kProgramVersion << "\n";
        return 0;
    }
    TEffectParams record;
    if (!BatchRecord(options.PresetPath, programDir, record, error)) {
        err << "velmora-batch: " << error << "\n";
        return 2;
    }

    // Outputs are decided before anything runs, so that two inputs never write the
    // same file (a.jpg and a.bmp would both become a_cartoon.jpg).
    struct Job {
        std::string input, output, error;
    };
    std::vector<Job> jobs;
    std::map<std::string, std::string> claimed;
    const bool several = options.Inputs.size() > 1;
    for (const std::string& input : options.Inputs) {
        Job job{input, BatchOutputPath(input, options, several, error), {}};
        if (job.output.empty()) {
            err << "velmora-batch: " << error << "\n";
            return 2;
        }
        // Two outputs are the same file when their resolved paths are. A path that
        // cannot be resolved (a loop of links, a name too long, no current folder)
        // fails its input with the system's reason rather than ending the program.
        std::error_code ec;
        fs::path resolved = fs::absolute(job.output, ec);
        if (!ec) resolved = fs::weakly_canonical(resolved, ec);
        if (ec) {
            job.error = job.output + ": this output path cannot be used (" + ec.message() + ")";
        } else {
            const auto [it, fresh] = claimed.emplace(resolved.string(), input);
            if (!fresh) job.error = input + ": its output " + job.output + " is already the output of " + it->second;
        }
        jobs.push_back(std::move(job));
    }

    RunReport report(err, progressToTerminal && !options.Quiet, options.Quiet, jobs.size());
    std::atomic<std::size_t> next{0};
    auto worker = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            Job& job = jobs[i];
            const auto start = std::chrono::steady_clock::now();
            if (job.error.empty()) {
                std::string why;
                if (!ConvertFile(job.input, job.output, record, options, why)) job.error = why;
            }
            if (!job.error.empty()) {
                report.Failed(job.error);
                continue;
            }
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            report.Converted(job.input, job.output, took.count());
        }
    };
    unsigned threads = options.Threads > 0 ? static_cast<unsigned>(options.Threads)
                                           : std::max(1u, std::thread::hardware_concurrency());
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, jobs.size()));
    // The other threads are joined however this function is left, before the jobs
    // and the report they use are gone.
    std::string refused;
    std::vector<std::thread> pool = StartThreads(static_cast<int>(threads) - 1, [&](int) { worker(); }, &refused);
    struct JoinAll {
        std::vector<std::thread>& threads;
        ~JoinAll() {
            for (std::thread& t : threads)
                if (t.joinable()) t.join();
        }
    } joinAll{pool};
    // Fewer threads only make the run slower; every input is still converted.
    if (pool.size() + 1 < threads)
        report.Note("only " + std::to_string(pool.size() + 1) + " of " + std::to_string(threads) +
                    " threads could be started (" + refused + "); converting with those");
    worker();
    for (std::thread& t : pool) t.join();
    if (several && !options.Quiet)
        out << report.ConvertedCount() << " converted, " << report.FailedCount() << " failed\n";
    return report.FailedCount() > 0 ? 1 : 0;
}

}  // namespace velmora
