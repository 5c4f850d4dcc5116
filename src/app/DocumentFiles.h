#pragma once
// The decisions behind File, Open and File, Save, below any window: which reader or
// writer a file name selects, the name and filter that Save proposes, the extension
// it adds, and reading a whole file into temporaries so that a failure leaves the
// document as it was.

#include <string>
#include <vector>

#include "common/Bitmap.h"
#include "document/Document.h"
#include "document/LayerState.h"
#include "io/ProjectFile.h"

namespace velmora {

enum class FileFormat { Bmp, Jpeg, Project, Png, Unknown };

// By the extension in any letter case: .jpg and .jpeg are JPEG, .bmp a bitmap, .png a
// PNG picture, .d2o a project; anything else, or no extension, is Unknown.
FileFormat FormatForFileName(const std::string& path);

// Reads a picture (.jpg, .jpeg, .bmp or .png) by its extension. False with a message
// naming the file for another extension or a file the reader refuses; `out` is then
// left as it was.
bool ReadPictureFile(const std::string& path, Bitmap& out, std::string& error);
// Writes a picture by its extension: .bmp, .jpg or .jpeg (quality 90), or .png. False
// with a message naming the file otherwise; an existing file is then left as it was.
bool WritePictureFile(const std::string& path, const Bitmap& picture, std::string& error);

// The open dialog's filter, entry by entry: the text shown and its patterns.
struct DialogFilter {
    std::string Text;
    std::string Patterns;
};
const std::vector<DialogFilter>& OpenDialogFilters();
// The save dialog's filter; entry 1 is BMP, 2 JPEG, 3 project, 4 PNG (1-based like the
// index the dialog reports).
const std::vector<DialogFilter>& SaveDialogFilters();

// A file read by File, Open.
struct OpenedFile {
    FileFormat Format = FileFormat::Unknown;
    Bitmap Picture;       // a .jpg, .bmp or .png picture
    ProjectData Project;  // a .d2o project
};

// Reads `path` by its extension. True with `out` filled; false with the messages to
// show, in order, and `out` as it was. Messages start with the full path:
// "<path> open failed." for every failure, preceded for a damaged project by
// "<path> is not a valid .d2o file." (a project too large for the memory available is
// not damaged). A reason from the reader follows on a second line of the first message.
bool ReadDocumentFile(const std::string& path, OpenedFile& out, std::vector<std::string>& messages);

// The document as it shows a file right after opening it. A picture becomes the
// photograph and the color layer over a white sketch layer, shown in Multiply with
// both layers visible (the other values of `state` stay); a project brings its own
// layers and layer state. The composite is made whole, or with Compositing::Later
// only sized, its pixels unset, for a window that composites what its view shows and
// all of it before anything reads the whole picture. The document is marked loaded.
// The scratch bitmaps are released: their readers size them when they start, and a
// full-size copy made here would only cost time and memory. Every bitmap is made
// before the document is touched, so std::bad_alloc leaves `doc` and `state` as they
// were. The view (zoom, view rectangle, current tool) is the caller's.
enum class Compositing { Whole, Later };
void InstallPicture(Bitmap&& picture, Document& doc, LayerState& state,
                    Compositing compositing = Compositing::Whole);
void InstallProject(ProjectData&& project, Document& doc, LayerState& state,
                    Compositing compositing = Compositing::Whole);

// File, Open below any window: ReadDocumentFile, then the install above. True with
// the document replaced; false with ReadDocumentFile's messages, or one saying that
// memory ran out, and `doc` and `state` as they were.
bool OpenDocumentFile(const std::string& path, Document& doc, LayerState& state,
                      std::vector<std::string>& messages, Compositing compositing = Compositing::Whole);

// The composite OpenDocumentFile would show for `path`, without the layers behind
// it: a picture is blended with its white sketch layer in its own memory, a project's
// composite is made from its layers. Fails as OpenDocumentFile does, with its
// messages. `shownState`, when given, receives the layer state the document would
// show it with.
bool OpenComposite(const std::string& path, Bitmap& composite, std::vector<std::string>& messages,
                   LayerState* shownState = nullptr);

// What Save proposes in its dialog.
struct SaveProposal {
    std::string FileName;  // without folder
    int FilterIndex = 1;   // 1 BMP, 2 JPEG, 3 project, 4 PNG
    friend bool operator==(const SaveProposal&, const SaveProposal&) = default;
};
// From the last opened file: a project proposes its own name with the project
// filter; a picture proposes its name without extension followed by "_cartoon" with
// the BMP filter (beach.jpg gives beach_cartoon; a name with another dot in it gets
// ".bmp" as well, so that its last dot is not taken for the extension).
SaveProposal ProposeSaveName(const std::string& lastOpenedPath);

// The extension the save dialog's filter `filterIndex` adds to a name without one:
// ".BMP", ".JPG", ".D2O" or ".PNG"; empty for another index.
std::string SaveExtension(int filterIndex);
// The chosen name with SaveExtension(filterIndex) appended when the file name has no
// extension of its own; unchanged otherwise.
std::string CompleteSaveName(const std::string& chosen, int filterIndex);

// Writes the document by the file name's extension: the composite as BMP, as JPEG
// (quality 90) or as PNG, or the whole document as a project. CompositeBmp must be complete
// (CompositeAll). False with a message for the user naming the file when nothing or
// not all could be written; an existing file is then left as it was.
bool WriteDocumentFile(const std::string& path, const Document& doc, const LayerState& state,
                       std::string& message);

}  // namespace velmora
