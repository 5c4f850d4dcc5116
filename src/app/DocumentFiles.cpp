#include "app/DocumentFiles.h"

#include <filesystem>
#include <new>
#include <utility>
#include <vector>

#include "engine/Buffers.h"
#include "engine/Parallel.h"
#include "io/Bmp.h"
#include "io/FileUtil.h"
#include "io/Jpeg.h"
#include "io/Png.h"

namespace velmora {

namespace {

std::string FileNameOnly(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

// The extension of the file name (not of a folder above it), as written.
std::string ExtensionOf(const std::string& fileName) {
    const auto dot = fileName.rfind('.');
    return dot == std::string::npos ? std::string() : fileName.substr(dot);
}

std::string WithReason(std::string text, const std::string& reason) {
    if (!reason.empty()) text += "\n" + reason;
    return text;
}

}  // namespace

FileFormat FormatForFileName(const std::string& path) {
    const std::string ext = UpperExtension(FileNameOnly(path));
    if (ext == ".JPG" || ext == ".JPEG") return FileFormat::Jpeg;
    if (ext == ".BMP") return FileFormat::Bmp;
    if (ext == ".PNG") return FileFormat::Png;
    if (ext == ".D2O") return FileFormat::Project;
    return FileFormat::Unknown;
}

bool ReadPictureFile(const std::string& path, Bitmap& out, std::string& error) {
    switch (FormatForFileName(path)) {
    case FileFormat::Jpeg: return ReadJpegFile(path, out, error);
    case FileFormat::Bmp: return ReadBmpFile(path, out, error);
    case FileFormat::Png: return ReadPngFile(path, out, error);
    case FileFormat::Project:
    case FileFormat::Unknown: break;
    }
    error = "\"" + path + "\" is not a .jpg, .jpeg, .bmp or .png picture";
    return false;
}

bool WritePictureFile(const std::string& path, const Bitmap& picture, std::string& error) {
    switch (FormatForFileName(path)) {
    case FileFormat::Jpeg: return WriteJpegFile(path, picture, kJpegQuality, error);
    case FileFormat::Bmp: return WriteBmpFile(path, picture, error);
    case FileFormat::Png: return WritePngFile(path, picture, error);
    case FileFormat::Project:
    case FileFormat::Unknown: break;
    }
    error = "Cannot write \"" + path + "\": pictures are written as .bmp, .jpg or .png";
    return false;
}

const std::vector<DialogFilter>& OpenDialogFilters() {
    static const std::vector<DialogFilter> filters{
        {"All Picture(*.jpg;*.jpeg;*.bmp;*.png;*.d2o)", "*.jpg;*.jpeg;*.bmp;*.png;*.d2o"},
        {"JPEG Image File (*.jpg)", "*.jpg"},
        {"JPEG Image File (*.jpeg)", "*.jpeg"},
        {"Bitmaps (*.bmp)", "*.bmp"},
        {"PNG Image File (*.png)", "*.png"},
        {"Vozed Uv Idarave File(*.d2o)", "*.d2o"},
        {"All File(*.*)", "*.*"},
    };
    return filters;
}

const std::vector<DialogFilter>& SaveDialogFilters() {
    static const std::vector<DialogFilter> filters{
        {"Bitmaps (*.bmp)", "*.bmp"},
        {"JPEG Image File (*.jpg)", "*.jpg"},
        {"Vozed Uv Idarave File(*.d2o)", "*.d2o"},
        // Added after the others, so that the index of each earlier entry stays.
        {"PNG Image File (*.png)", "*.png"},
    };
    return filters;
}

bool ReadDocumentFile(const std::string& path, OpenedFile& out, std::vector<std::string>& messages) {
    const std::string failed = path + " open failed.";
    std::string error;
    switch (FormatForFileName(path)) {
    case FileFormat::Jpeg:
    case FileFormat::Bmp:
    case FileFormat::Png: {
        Bitmap picture;
        if (!ReadPictureFile(path, picture, error) || picture.Empty()) {
            messages.push_back(WithReason(failed, error));
            return false;
        }
        out.Format = FormatForFileName(path);
        out.Picture.Swap(picture);
        out.Project = ProjectData{};
        return true;
    }
    case FileFormat::Project: {
        ProjectData project;
        bool tooLarge = false;
        if (LoadD2O(path, project, &error, &tooLarge) != 0 || project.Sketch.Empty()) {
            // A project that memory cannot hold is sound: the user learns the reason,
            // not that the file is invalid.
            if (tooLarge) {
                messages.push_back(WithReason(failed, error));
            } else {
                messages.push_back(WithReason(path + " is not a valid .d2o file.", error));
                messages.push_back(failed);
            }
            return false;
        }
        out.Format = FileFormat::Project;
        out.Picture = Bitmap();
        out.Project.Sketch.Swap(project.Sketch);
        out.Project.Color.Swap(project.Color);
        out.Project.Photo.Swap(project.Photo);
        out.Project.State = project.State;
        return true;
    }
    case FileFormat::Unknown:
        break;
    }
    messages.push_back(failed);
    return false;
}

namespace {

// Takes the layers and state after their bitmaps exist; nothing here allocates except
// the composite, which is sized before the first swap.
void InstallLayers(Bitmap& photo, Bitmap& sketch, Bitmap& color, Document& doc, LayerState& state,
                   const LayerState& shown, Compositing compositing) {
    Bitmap composite;
    const bool reuse = doc.CompositeBmp.Width() == sketch.Width() && doc.CompositeBmp.Height() == sketch.Height();
    // Compositing writes every pixel in the two blending modes there are; only a mode
    // it does not know would leave the new pixels as they were.
    if (!reuse && (shown.BlendingMode == 0 || shown.BlendingMode == 1))
        composite.SetSizeUnset(sketch.Width(), sketch.Height());
    else if (!reuse)
        composite.SetSize(sketch.Width(), sketch.Height());

    doc.PhotoBmp.Swap(photo);
    doc.SketchBmp.Swap(sketch);
    doc.ColorBmp.Swap(color);
    if (!reuse) doc.CompositeBmp.Swap(composite);
    doc.WorkBmp1 = Bitmap();
    doc.WorkBmp2 = Bitmap();
    doc.ShownSketch = &doc.SketchBmp;
    doc.ShownColor = &doc.ColorBmp;
    state = shown;
    if (compositing == Compositing::Whole) doc.CompositeAll(state);
    doc.ImageLoaded = true;
}

// How a picture is shown right after opening it.
LayerState PictureShown(const LayerState& state) {
    LayerState shown = state;
    shown.SketchVisible = true;
    shown.ColorVisible = true;
    shown.BlendingMode = 0;
    return shown;
}

// Runs `open`, turning running out of memory into the message File, Open shows.
template <typename Open>
bool OpenWithinMemory(const std::string& path, std::vector<std::string>& messages, Open open) {
    try {
        return open();
    } catch (const std::bad_alloc&) {
        messages.assign(1, path + " open failed.\nThere is not enough memory for this picture.");
        return false;
    }
}

}  // namespace

void InstallPicture(Bitmap&& picture, Document& doc, LayerState& state, Compositing compositing) {
    // The photograph and the color layer start as the same pixels, and share them until
    // one is painted on: a conversion, the usual next step, replaces the color layer
    // without ever copying it.
    Bitmap photo = picture.Share();
    Bitmap sketch;
    WhitePicture(sketch, picture.Width(), picture.Height());
    InstallLayers(photo, sketch, picture, doc, state, PictureShown(state), compositing);
}

void InstallProject(ProjectData&& project, Document& doc, LayerState& state, Compositing compositing) {
    InstallLayers(project.Photo, project.Sketch, project.Color, doc, state, project.State, compositing);
}

bool OpenDocumentFile(const std::string& path, Document& doc, LayerState& state,
                      std::vector<std::string>& messages, Compositing compositing) {
    return OpenWithinMemory(path, messages, [&] {
        OpenedFile opened;
        if (!ReadDocumentFile(path, opened, messages)) return false;
        if (opened.Format == FileFormat::Project)
            InstallProject(std::move(opened.Project), doc, state, compositing);
        else
            InstallPicture(std::move(opened.Picture), doc, state, compositing);
        return true;
    });
}

bool OpenComposite(const std::string& path, Bitmap& composite, std::vector<std::string>& messages,
                   LayerState* shownState) {
    return OpenWithinMemory(path, messages, [&] {
        OpenedFile opened;
        if (!ReadDocumentFile(path, opened, messages)) return false;
        if (opened.Format == FileFormat::Project) {
            Document doc;
            LayerState state;
            InstallProject(std::move(opened.Project), doc, state);
            composite.Swap(doc.CompositeBmp);
            if (shownState) *shownState = state;
            return true;
        }
        // The photograph and white sketch layer InstallPicture would make are never
        // read here, and making them would cost three full-size bitmaps.
        Bitmap& picture = opened.Picture;
        const LayerState shown = PictureShown(LayerState{});
        const int last = 3 * picture.Width() - 1;
        const std::vector<std::uint8_t> white(static_cast<std::size_t>(last) + 1, 255);
        ParallelLoop rows;
        rows.Count = picture.Height();
        rows.Grain = 64;
        rows.StopOnCancel = false;
        ParallelFor(rows, [&](std::int64_t y0, std::int64_t y1) {
            for (auto y = static_cast<int>(y0); y < static_cast<int>(y1); ++y)
                BlendRow(picture.Row(y), white.data(), picture.Row(y), shown, 0, last);
        });
        composite.Swap(picture);
        if (shownState) *shownState = shown;
        return true;
    });
}

SaveProposal ProposeSaveName(const std::string& lastOpenedPath) {
    const std::string name = FileNameOnly(lastOpenedPath);
    const std::string ext = ExtensionOf(name);
    if (UpperExtension(name) == ".D2O") return SaveProposal{name, 3};
    // Cut at the extension's own dot, so a name like "my.jpgs.jpg" keeps "my.jpgs".
    std::string proposal = name.substr(0, name.size() - ext.size()) + "_cartoon";
    // A dot still in the name ("2024.05.01_cartoon") would make its end read as an
    // extension that no picture has, and Save would refuse the name as proposed.
    if (!ExtensionOf(proposal).empty()) proposal += ".bmp";
    return SaveProposal{proposal, 1};
}

std::string SaveExtension(int filterIndex) {
    switch (filterIndex) {
    case 1: return ".BMP";
    case 2: return ".JPG";
    case 3: return ".D2O";
    case 4: return ".PNG";
    default: return {};
    }
}

std::string CompleteSaveName(const std::string& chosen, int filterIndex) {
    if (!ExtensionOf(FileNameOnly(chosen)).empty()) return chosen;
    return chosen + SaveExtension(filterIndex);
}

bool WriteDocumentFile(const std::string& path, const Document& doc, const LayerState& state,
                       std::string& message) {
    std::string error;
    bool ok = false;
    switch (FormatForFileName(path)) {
    case FileFormat::Bmp:
    case FileFormat::Jpeg:
    case FileFormat::Png:
        ok = WritePictureFile(path, doc.CompositeBmp, error);
        break;
    case FileFormat::Project:
        ok = SaveD2O(path, doc.SketchBmp, doc.ColorBmp, doc.PhotoBmp, state, &error) == 0;
        break;
    case FileFormat::Unknown: {
        const std::string ext = ExtensionOf(FileNameOnly(path));
        message = path + " was not saved: Velmora saves pictures as .bmp, .jpg or .png and projects as .d2o, not as " +
                  (ext.empty() ? std::string("a file without extension") : "\"" + ext + "\"") + ".";
        return false;
    }
    }
    if (!ok) message = WithReason(path + " could not be saved.", error);
    return ok;
}

}  // namespace velmora
