#include "conversion/gui/RunConversion.h"

#include <QRadioButton>
#include <QSlider>

#include "common/gui/Messages.h"
#include "conversion/ConversionRun.h"
#include "conversion/gui/MoreOptions.h"
#include "conversion/gui/PreviewDialog.h"
#include "document/DocumentHost.h"
#include "engine/DrawEffect.h"
#include "engine/gui/ProcessDialog.h"

namespace velmora {

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
    if (!dialog.Accepted) return;
    RunFullConversion(host, parent, dialog.Params());
    host.UpdateCommandStates();
}

bool RunFullConversion(DocumentHost& host, QWidget* parent, const TEffectParams& dialogRecord) {
    Document& doc = host.Doc();
    // The confirmed dialog has replaced PhotoBmp with the picture at the chosen size
    // and kept the earlier photograph in WorkBmp1; a run that does not complete puts
    // it back, so that nothing of the document changes (a photograph of another size
    // than the layers would also break compositing).
    const auto restorePhoto = [&doc] { doc.PhotoBmp.Swap(doc.WorkBmp1); };

    const TEffectParams record = FullConversionRecord(dialogRecord, doc.PhotoBmp);
    const std::string problem = ValidateParams(record, doc.PhotoBmp.Width(), doc.PhotoBmp.Height());
    if (!problem.empty()) {
        restorePhoto();
        ShowMessage(parent, QStringLiteral("The conversion cannot run: %1.").arg(QString::fromStdString(problem)));
        return false;
    }

    TFrm_Process progress(parent);
    progress.SetParams(record);
    progress.exec();
    if (progress.Cancelled) {
        restorePhoto();
        if (!progress.Failure.empty()) ShowMessage(parent, QString::fromStdString(progress.Failure));
        return false;
    }
    progress.GetLayers(doc.SketchBmp, doc.ColorBmp);
    const TFrm_ColorMoreOption& options = Frm_ColorMoreOption();
    LayerState state = host.GetLayerState();
    state.BlendingMode = options.RB_Multiply->isChecked() ? 0 : 1;
    state.Opacity = options.Trc_Opeaity->value();
    state.SketchVisible = true;
    state.ColorVisible = true;
    host.SetLayerStateQuietly(state);
    // Composited after the layer state is set, so that the whole composite (not only
    // the part in view) uses the conversion's blending.
    host.CompositeAll();
    host.UpdateScrollBars();
    host.RefreshView();
    AddConversionState(host, "Classic", record);
    return true;
}

}  // namespace velmora
