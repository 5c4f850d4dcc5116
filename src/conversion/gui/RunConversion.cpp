#include "conversion/gui/RunConversion.h"

#include <new>

#include "common/gui/Messages.h"
#include "conversion/ConversionRun.h"
#include "conversion/gui/PreviewDialog.h"
#include "document/DocumentHost.h"
#include "engine/DrawEffect.h"
#include "engine/gui/ProcessDialog.h"

namespace velmora {

namespace {

// While the full conversion runs, the worker reads the photograph at the size chosen
// for it, but the picture shown is still the one from before the dialog, composited
// whole when the command began: a redraw of the view meanwhile only paints it again.
class ViewOnlyPainted {
public:
    explicit ViewOnlyPainted(DocumentHost& host) : host_(host) {
        host_.SetViewPreview([&host] { host.PaintView(); });
    }
    ~ViewOnlyPainted() { host_.SetViewPreview(nullptr); }
    ViewOnlyPainted(const ViewOnlyPainted&) = delete;
    ViewOnlyPainted& operator=(const ViewOnlyPainted&) = delete;

private:
    DocumentHost& host_;
};

}  // namespace

bool AddConversionState(DocumentHost& host, const std::string& name, const TEffectParams& params) {
    return host.AddState(name, ConversionDetailText(params));
}

void RunConversion(DocumentHost& host, QWidget* parent, const QString& presetPath) {
    host.CompositeAll();
    TFrmPreview dialog(host, parent);
    const QString preset = presetPath.trimmed();
    // A shortcut's preset was asked for by name, so a missing or damaged one is said.
    if (!preset.isEmpty()) dialog.LoadPreset(preset, true);
    dialog.exec();
    // The dialog resized the photograph while it was open, and a refresh of the view
    // meanwhile may have shown that (with both layers hidden). A conversion that does
    // not complete puts the photograph back, and the view shows it again.
    if (!dialog.Accepted) {
        host.RefreshView();
        return;
    }
    if (!RunFullConversion(host, parent, dialog.Params())) host.RefreshView();
    host.UpdateCommandStates();
}

bool RunFullConversion(DocumentHost& host, QWidget* parent, const TEffectParams& dialogRecord) {
    Document& doc = host.Doc();
    // The confirmed dialog has replaced PhotoBmp with the picture at the chosen size
    // and kept the earlier photograph in WorkBmp1; a run that does not complete puts
    // it back, so that nothing of the document changes (a photograph of another size
    // than the layers would also break compositing).
    bool installed = false;
    const auto fail = [&](const QString& message) {
        doc.PhotoBmp.Swap(doc.WorkBmp1);
        if (!message.isEmpty()) ShowMessage(parent, message);
        return false;
    };
    // This runs in a menu command's slot, where an exception would end the program.
    try {
        const TEffectParams record = FullConversionRecord(dialogRecord, doc.PhotoBmp);
        const std::string problem = ValidateParams(record, doc.PhotoBmp.Width(), doc.PhotoBmp.Height());
        if (!problem.empty())
            return fail(QStringLiteral("The conversion cannot run: %1.").arg(QString::fromStdString(problem)));

        TFrm_Process progress(parent);
        progress.SetParams(record, TotalProgressSteps(record));
        {
            const ViewOnlyPainted painted(host);
            progress.exec();
        }
        if (progress.Cancelled) return fail(QString::fromStdString(progress.Failure));

        // Every bitmap the result needs is made before the document is touched, as
        // loading a snapshot does: running out of memory half way must not leave
        // layers of different sizes behind.
        Bitmap sketch, color, composite;
        progress.GetLayers(sketch, color);
        const bool newSize = doc.CompositeBmp.Width() != sketch.Width() || doc.CompositeBmp.Height() != sketch.Height();
        if (newSize) composite.SetSize(sketch.Width(), sketch.Height());
        doc.SketchBmp.Swap(sketch);
        doc.ColorBmp.Swap(color);
        if (newSize) doc.CompositeBmp.Swap(composite);
        installed = true;

        host.SetLayerStateQuietly(ConversionLayerState(record, host.GetLayerState()));
        // Composited after the layer state is set, so that the whole composite (not
        // only the part in view) uses the conversion's blending.
        host.CompositeAll();
        host.UpdateScrollBars();
        host.RefreshView();
        AddConversionState(host, "Classic", record);
        return true;
    } catch (const std::bad_alloc&) {
        const QString message = QStringLiteral("There is not enough memory to convert a picture of this size.");
        if (!installed) return fail(message);
        // The layers are in and of one size; only what follows them was cut short.
        ShowMessage(parent, message);
        return true;
    }
}

}  // namespace velmora
