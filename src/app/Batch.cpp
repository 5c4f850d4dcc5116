#include "app/Batch.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <new>
#include <ostream>
#include <thread>

#include "app/DocumentFiles.h"
#include "app/Version.h"
#include "common/JoinThreads.h"
#include "conversion/ConversionRun.h"
#include "conversion/ImageSize.h"
#include "conversion/ParamControls.h"
#include "conversion/Preset.h"
#include "conversion/Resample.h"
#include "document/Document.h"
#include "engine/DrawEffect.h"
#include "engine/Parallel.h"
#include "io/FileUtil.h"
#include "io/Jpeg.h"
#include "io/ProjectFile.h"

namespace velmora {

namespace fs = std::filesystem;

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

bool OpenAsDisplayed(const std::string& path, Bitmap& displayed, std::string& error, LayerState* shown) {
    std::vector<std::string> messages;
    if (!OpenComposite(path, displayed, messages, shown)) {
        // The window shows each message in a box of its own; here they share one line.
        error.clear();
        for (const std::string& m : messages) {
            if (!error.empty()) error += ' ';
            error += m;
        }
        std::replace(error.begin(), error.end(), '\n', ' ');
        return false;
    }
    return true;
}

namespace {

// The photograph the conversion dialog leaves in PhotoBmp: the displayed picture's
// pixels stored and resampled, first at the original size when the dialog is shown,
// then at the chosen size. The displayed picture is taken over.
bool DialogPhoto(Bitmap& displayed, int scalePercent, int width, Bitmap& photo, std::string& error) {
    if (width > displayed.Width()) {
        error = "the width " + std::to_string(width) + " is larger than the picture's " +
                std::to_string(displayed.Width()) + " pixels";
        return false;
    }
    const auto [w, h] = DialogImageSize({displayed.Width(), displayed.Height()}, scalePercent, width);
    if (w >= 1 && h >= 1 && w == displayed.Width() && h == displayed.Height()) {
        // Resampling to the same size gives every pixel back unchanged, so a page left
        // at 100 % takes the picture as it is.
        photo.Swap(displayed);
        return true;
    }
    // The displayed picture is this conversion's own, so it becomes the source as it
    // is, without a copy.
    SourcePixels source;
    source.Picture.Swap(displayed);
    ResampleSourcePixels(source, w, h, photo);
    return true;
}

}  // namespace

bool ConvertDisplayed(Bitmap displayed, const TEffectParams& record, int scalePercent, int width,
                      ConversionOutput& out, std::string& error, ProgressTargets* progress, bool layersWanted) {
    if (!DialogPhoto(displayed, scalePercent, width, out.Photo, error)) return false;
    const TEffectParams p = FullConversionRecord(record, out.Photo);
    const std::string problem = ValidateParams(p, out.Photo.Width(), out.Photo.Height());
    if (!problem.empty()) return error = "the parameters cannot be used: " + problem, false;

    // Each conversion has a stop request of its own, which nothing sets: conversions
    // side by side neither share nor clear the program-wide flag.
    const CancelToken neverCancelled;
    TDrawEffect effect;
    effect.SetCancelToken(&neverCancelled);
    effect.SetProgress(progress);
    effect.SetSingleRun(true);  // only the layers are wanted from it
    // Only a project keeps the photograph; otherwise its memory serves the later stages.
    if (!layersWanted) effect.SetReleaseSource([&out] { out.Photo = Bitmap(); });
    effect.SetParams(p);
    effect.Execute();
    if (!effect.HasResult())
        return error = effect.OutOfMemory() ? "not enough memory to convert it" : "the conversion did not finish",
               false;

    // As the main window sets them after a conversion; the drawable flags keep the
    // values the picture was displayed with.
    out.State = ConversionLayerState(p, out.State);

    if (!layersWanted) {
        // Each composite pixel depends on the same pixel of the layers only, and a
        // conversion leaves both layers shown, blended; so the picture is blended a row
        // at a time straight from the engine's results, and the layers, two more
        // pictures of its size, are never made.
        out.Composite.SetSizeUnset(p.Width, p.Height);
        const int last = 3 * p.Width - 1;
        effect.VisitLayerRows([&](int y, const std::uint8_t* sketch, const std::uint8_t* color) {
            BlendRow(out.Composite.Row(y), sketch, color, out.State, 0, last);
        });
        out.Photo = Bitmap();
        return true;
    }
    effect.TakeLayers(out.Sketch, out.Color);
    out.Composite.SetSize(out.Sketch.Width(), out.Sketch.Height());
    CompositeAll(out.Composite, out.Sketch, out.Color, out.Photo, out.State);
    return true;
}

bool PreviewDisplayed(const Bitmap& displayed, const TEffectParams& record, int scalePercent, int width,
                      RegionSpec region, Bitmap& preview, std::string& error) {
    Bitmap photo, picture = displayed;
    if (!DialogPhoto(picture, scalePercent, width, photo, error)) return false;
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

bool ConvertFile(const std::string& input, const std::string& output, const TEffectParams& record,
                 const BatchOptions& options, std::string& error, ProgressTargets* progress) {
    try {
        error = OutputTypeProblem(output, options.HasRegion);
        if (!error.empty()) return false;
        const std::string outExt = UpperExtension(output);

        Bitmap displayed;
        ConversionOutput result;
        if (!OpenAsDisplayed(input, displayed, error, &result.State)) return false;

        std::string why;
        if (options.HasRegion) {
            Bitmap preview;
            if (!PreviewDisplayed(displayed, record, options.ScalePercent, options.Width, options.Region, preview, why))
                return error = input + ": " + why, false;
            return WritePictureFile(output, preview, error);
        }
        const bool layered = outExt == ".D2O";
        if (!ConvertDisplayed(std::move(displayed), record, options.ScalePercent, options.Width, result, why, progress,
                              layered))
            return error = input + ": " + why, false;
        if (!layered) return WritePictureFile(output, result.Composite, error);
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
        std::string counter = "[";  // built up in place: GCC 12 warns falsely about "[" + std::string
        counter += std::to_string(converted_ + failed_) + "/" + std::to_string(total_) + "] ";
        return counter;
    }

    std::ostream& err_;
    bool perFile_;
    bool quiet_;
    std::size_t total_;
    std::size_t converted_ = 0;
    std::size_t failed_ = 0;
    std::mutex mutex_;
};

// Whether what went to standard output reached it. A full disk behind a redirection
// or a closed pipe loses the lines the user asked for, which is a failure too.
bool ReachedOutput(std::ostream& out, std::ostream& err) {
    out.flush();
    if (out) return true;
    err << "velmora-batch: the standard output could not be written\n";
    return false;
}

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
        return ReachedOutput(out, err) ? 0 : 1;
    }
    if (options.Version) {
        out << kProgramName << " " << kProgramVersion << "\n";
        return ReachedOutput(out, err) ? 0 : 1;
    }
    TEffectParams record;
    if (!BatchRecord(options.PresetPath, programDir, record, error)) {
        err << "velmora-batch: " << error << "\n";
        return 2;
    }

    // Outputs are decided before anything runs, so that two inputs never write the
    // same file (a.jpg and a.bmp would both become a_cartoon.jpg), and no input writes
    // over another one (a_cartoon.jpg left by an earlier run), which would be read
    // before or after it is written as the threads happen to run. A file that exists
    // is known by its device and inode, so that a second name of it (a hard link,
    // which the writer writes through) is the same file; one not made yet by its
    // resolved path.
    auto resolve = [](const std::string& path, std::error_code& ec) {
        fs::path resolved = fs::absolute(path, ec);
        if (!ec) resolved = fs::weakly_canonical(resolved, ec);
        if (ec) return std::string();
        struct stat st {};
        if (::stat(resolved.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            return "file " + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
        return resolved.string();
    };
    std::map<std::string, std::string> inputs;
    std::vector<std::string> resolvedInputs;  // empty where an input cannot be resolved
    for (const std::string& input : options.Inputs) {
        std::error_code ec;
        resolvedInputs.push_back(resolve(input, ec));
        if (ec)
            resolvedInputs.back().clear();
        else
            inputs.emplace(resolvedInputs.back(), input);
    }
    struct Job {
        std::string input, output, error;
    };
    std::vector<Job> jobs;
    std::map<std::string, std::string> claimed;
    const bool several = options.Inputs.size() > 1;
    for (std::size_t i = 0; i < options.Inputs.size(); ++i) {
        const std::string& input = options.Inputs[i];
        Job job{input, BatchOutputPath(input, options, several, error), {}};
        if (job.output.empty()) {
            err << "velmora-batch: " << error << "\n";
            return 2;
        }
        // A path that cannot be resolved (a loop of links, a name too long, no current
        // folder) fails its input with the system's reason rather than ending the program.
        std::error_code ec;
        const std::string resolved = resolve(job.output, ec);
        const auto other = inputs.find(resolved);
        if (ec) {
            job.error = job.output + ": this output path cannot be used (" + ec.message() + ")";
        } else if (other != inputs.end() &&
                   (other->first != resolvedInputs[i] || job.output != options.OutputPath)) {
            // Only a file the user named with -o may be the job's own input; a name made
            // here that leads to it through a link must not turn the photograph into
            // its cartoon.
            job.error = input + ": its output " + job.output + " is the input " + other->second;
        } else {
            const auto [it, fresh] = claimed.emplace(resolved, input);
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
    // Decoding a JPEG in two parts at once pays only while a processor has no file of
    // its own; the setting is given back once every thread has ended.
    struct SplitDecodingRestored {
        bool before;
        ~SplitDecodingRestored() { AllowSplitJpegDecoding(before); }
    } const splitDecoding{AllowSplitJpegDecoding(threads < std::max(1u, std::thread::hardware_concurrency()))};
    // The other threads are joined however this function is left, before the jobs
    // and the report they use are gone.
    std::string refused;
    std::vector<std::thread> pool = StartThreads(static_cast<int>(threads) - 1, [&](int) { worker(); }, &refused);
    const JoinThreadsOnExit joinAll(pool);
    // Fewer threads only make the run slower; every input is still converted.
    if (pool.size() + 1 < threads)
        report.Note("only " + std::to_string(pool.size() + 1) + " of " + std::to_string(threads) +
                    " threads could be started (" + refused + "); converting with those");
    worker();
    for (std::thread& t : pool) t.join();
    if (several && !options.Quiet) {
        out << report.ConvertedCount() << " converted, " << report.FailedCount() << " failed\n";
        if (!ReachedOutput(out, err)) return 1;
    }
    return report.FailedCount() > 0 ? 1 : 0;
}

}  // namespace velmora
