// The conversion dialog on its own: image size, preview, panning, handle editor,
// keys and closing. Presets have their own suite.

#include <cstdlib>

#include "conversion/HandleScale.h"
#include "conversion/gui/ConversionTestKit.h"
#include "conversion/gui/HandleEditor.h"
#include "support/Mouse.h"
#include "support/ScaledCopy.h"

using namespace velmora;
using namespace velmora::test;

namespace {

QRgb CanvasPixel(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }

// The pixels of a handle scale with all five handles, lettered A to E, row after row.
QByteArray HandleScalePixels() {
    TEffectParams record = ColorDefaults();
    HandleEditor editor(record, nullptr);
    TEffectParams p = ColorDefaults();
    p.HandleCount = 5;
    p.Handles = {0, 60, 128, 200, 255};
    editor.Apply(p);
    editor.show();
    editor.PaintHandles();
    const QImage& canvas = editor.PB_Handles->Canvas();
    QByteArray bytes;
    for (int y = 0; y < canvas.height(); ++y)
        bytes.append(reinterpret_cast<const char*>(canvas.constScanLine(y)), qsizetype(canvas.width()) * 3);
    return bytes;
}

// Set in a copy of this program started by a test: it writes HandleScalePixels to the
// file named there, and runs no test.
constexpr char kHandleScaleFileVariable[] = "VELMORA_HANDLE_SCALE_FILE";

}  // namespace

class PreviewDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<DialogRig> rig_;
    std::unique_ptr<TFrmPreview> Open(const Bitmap& picture) { return rig_->Open(picture); }

    // The dialog on its handle page, with a custom reducer of handles at 0, 128 and 255.
    std::unique_ptr<TFrmPreview> OpenOnThreeHandles() {
        TEffectParams p = ColorDefaults();
        p.ReducerType = 1;
        p.HandleCount = 3;
        p.Handles = {0, 128, 255, 9, 9};
        WritePreset(rig_->folder.Path("custom.set"), p);
        auto dlg = Open(TestPicture(320, 240));
        dlg->LoadPreset(rig_->folder.Path("custom.set"));
        dlg->PageControl1->setCurrentWidget(dlg->TabSheet5);
        return dlg;
    }

private slots:
    void init() { rig_ = std::make_unique<DialogRig>(); }
    void cleanup() { rig_.reset(); }

    void opensOnTheImageSizePageWithTheOriginalSize() {
        const Bitmap pic = TestPicture(640, 480);
        auto dlg = Open(pic);
        QCOMPARE(dlg->PageControl1->currentWidget(), dlg->TabSheet4);
        QCOMPARE(dlg->Lbl_Original->text(), QStringLiteral("Original Size: 640 * 480"));
        for (auto [got, want] : {std::pair{dlg->Spn_Width->value(), 640}, {dlg->Spn_Height->value(), 480},
                                 {dlg->Spn_Width->maximum(), 640}, {dlg->Spn_Height->maximum(), 480},
                                 {dlg->Trc_ImageSize->value(), 100}})
            QCOMPARE(got, want);
        QVERIFY(rig_->host.doc.PhotoBmp == rig_->host.doc.CompositeBmp);
        QVERIFY(rig_->host.doc.WorkBmp1 == pic);
        // The swapped labels of the first two Sketch rows stay as designed.
        QCOMPARE(dlg->Lab_Sketch2->text(), QStringLiteral("Darkness:"));
        QCOMPARE(dlg->Lab_Sketch1->text(), QStringLiteral("Detail:"));
    }

    void eachPageShowsItsOwnControlsWithRoomForThem() {
        auto dlg = Open(SamplePhoto());
        struct Page {
            QWidget* sheet;
            std::vector<QWidget*> shown;
        };
        const std::vector<Page> pages = {
            {dlg->TabSheet4, {dlg->Lbl_Original, dlg->Spn_Width, dlg->Spn_Height, dlg->Trc_ImageSize}},
            {dlg->TabSheet1,
             {dlg->Chk_DrawSketch, dlg->Btn_SketchMore, dlg->Trc_Detail, dlg->Spn_Detail, dlg->Trc_Darkness,
              dlg->Trc_SketchSmooth, dlg->Trc_Threshold, dlg->Lab_Sketch4}},
            {dlg->TabSheet5,
             {dlg->Chk_DrawColor, dlg->RB_Equality, dlg->RB_Custom, dlg->Trc_ColorReducer, dlg->Spn_ColorReducer}},
            {dlg->TabSheet2,
             {dlg->Trc_Saturation, dlg->Trc_Contrast, dlg->Trc_Brightness, dlg->Trc_ColorSmooth, dlg->Trc_BorderBlur}},
            {dlg->TabSheet3, {dlg->Btn_ColorMore, dlg->Trc_Red, dlg->Trc_Green, dlg->Trc_Blue}},
        };
        for (const Page& page : pages) {
            dlg->PageControl1->setCurrentWidget(page.sheet);
            QCoreApplication::processEvents();
            for (QWidget* w : page.shown) {
                QVERIFY2(w->isVisible(), qPrintable(w->objectName()));
                // Nothing is squeezed to nothing or pushed off its page.
                QVERIFY2(w->width() > 8 && w->height() > 8, qPrintable(w->objectName()));
                QVERIFY2(page.sheet->rect().contains(QRect(w->mapTo(page.sheet, QPoint(0, 0)), w->size())),
                         qPrintable(w->objectName()));
            }
            for (const Page& other : pages)
                if (&other != &page)
                    for (QWidget* w : other.shown) QVERIFY(!w->isVisible());
        }
        // The preview pane keeps a usable size at the smallest window.
        dlg->resize(kPreviewMinWidth, kPreviewMinHeight);
        QCoreApplication::processEvents();
        QVERIFY(dlg->PaintBox1->height() >= 100);
        QVERIFY(dlg->PaintBox1->width() >= 300);
    }

    // Each step drives one Image Size control, or opens the dialog anew on a picture of
    // the step's size; -1 leaves a value unchecked.
    void imageSizeControlsKeepTheAspectAndResampleThePhotograph() {
        std::unique_ptr<TFrmPreview> dlg;
        enum Control { NewPicture, TypedWidth, LeaveWidth, Width, Height, Slider };
        struct Step {
            const char* what;
            Control control;
            int value, w, h, spinW, spinH, slider;
        };
        const Step steps[] = {
            {"a thin picture", NewPicture, 0, 640, 2, 640, 2, 100},
            {"aTypedSideOfAThinPictureShowsTheSizeThePhotographTakes", Width, 100, 100, 1, 100, 1, 15},
            {"a thin picture", NewPicture, 0, 400, 50, 400, 50, 100},
            {"theSmallestPercentOfAThinPictureShowsTheSizeThePhotographTakes", Slider, 1, 4, 1, 4, 1, 1},
            {"a picture", NewPicture, 0, 640, 480, 640, 480, 100},
            {"typed width keeps the aspect and moves the slider", TypedWidth, 320, 320, 240, 320, 240, 50},
            {"slider after a typed width", Slider, 51, 326, -1, -1, -1, -1},
            {"typed height, the slider following the width", Height, 120, 160, 120, 160, -1, 25},
            {"zero changes nothing", TypedWidth, 0, 160, 120, 0, 120, -1},
            {"aSideLeftAtZeroShowsTheSizeInEffectAgain", LeaveWidth, 0, 160, 120, 160, 120, -1},
            {"the slider stays where it was put, not at the width's percent", Slider, 33, 211, 158, 211, 158, 33},
            {"the slider's echo is spent: the next move acts at once", Slider, 10, 64, 48, -1, -1, -1},
            {"a typed height", Height, 29, 38, 29, 38, 29, -1},
            {"theSliderAfterATypedHeightShowsTheSizeOfThePhotograph", Slider, 6, 38, 28, 38, 28, 6},
            {"the original width restores it", Width, 640, 640, 480, -1, -1, -1},
        };
        for (const Step& s : steps) {
            switch (s.control) {
            case NewPicture:
                dlg.reset();
                dlg = Open(TestPicture(s.w, s.h));
                break;
            case TypedWidth:
                dlg->activateWindow();
                dlg->Spn_Width->setFocus();
                dlg->Spn_Width->selectAll();
                QTest::keyClicks(dlg->Spn_Width, QString::number(s.value));
                break;
            case LeaveWidth: QTest::keyClick(dlg->Spn_Width, Qt::Key_Tab); break;
            case Width: dlg->Spn_Width->setValue(s.value); break;
            case Height: dlg->Spn_Height->setValue(s.value); break;
            case Slider: dlg->Trc_ImageSize->setValue(s.value); break;
            }
            const Bitmap& photo = rig_->host.doc.PhotoBmp;
            for (auto [got, want] : {std::pair{photo.Width(), s.w}, {photo.Height(), s.h},
                                     {dlg->Spn_Width->value(), s.spinW}, {dlg->Spn_Height->value(), s.spinH},
                                     {dlg->Trc_ImageSize->value(), s.slider}})
                QVERIFY2(want < 0 || got == want,
                         qPrintable(QStringLiteral("%1: %2 instead of %3").arg(s.what).arg(got).arg(want)));
        }
        QVERIFY(rig_->host.doc.PhotoBmp == rig_->host.doc.CompositeBmp);
        // Every size is made from the stored pixels, not from the last result.
        dlg->Spn_Width->setValue(150);
        const Bitmap small = rig_->host.doc.PhotoBmp;
        dlg->Spn_Width->setValue(30);
        dlg->Spn_Width->setValue(150);
        QVERIFY(rig_->host.doc.PhotoBmp == small);
    }

    // Every key and button that leaves the dialog: accepting keeps the resized
    // photograph and writes last.set, cancelling restores the photograph.
    void everyWayOfLeavingAcceptsOrRestores() {
        const Bitmap pic = TestPicture(640, 480);
        using P = TFrmPreview;
        const std::tuple<const char*, bool, std::function<void(P*)>> ways[] = {
            {"Esc in a track bar", false, [](P* d) { QTest::keyClick(d->Trc_Detail, Qt::Key_Escape); }},
            {"Esc in a spin edit", false, [](P* d) { QTest::keyClick(d->Spn_Width, Qt::Key_Escape); }},
            {"Cancel", false, [](P* d) { d->Btn_Cancle->click(); }},
            {"close box", false, [](P* d) { d->close(); }},
            {"Enter on Cancel", false, [](P* d) { QTest::keyClick(d->Btn_Cancle, Qt::Key_Return); }},
            {"Enter in a track bar", true, [](P* d) { QTest::keyClick(d->Trc_Detail, Qt::Key_Return); }},
            {"Ctrl+Enter in a Coloring track bar", true,
             [](P* d) { QTest::keyClick(d->Trc_Blue, Qt::Key_Return, Qt::ControlModifier); }},
            {"Enter on OK", true, [](P* d) { QTest::keyClick(d->Btn_Ok, Qt::Key_Enter); }},
        };
        int detail = 300;
        for (const auto& [name, accepts, leave] : ways) {
            rig_->host.OpenPicture(pic);
            rig_->host.doc.CompositeBmp.Fill(1, 2, 3);  // what is displayed differs from the photograph
            auto dlg = rig_->Create();
            DialogRig::Show(*dlg);
            dlg->Trc_ImageSize->setValue(33);
            dlg->Trc_Detail->setValue(++detail);
            leave(dlg.get());
            QVERIFY2(!dlg->isVisible() && dlg->Accepted == accepts, name);
            if (accepts)
                QVERIFY2(rig_->host.doc.PhotoBmp.Width() == 211 &&
                             ReadPreset(rig_->folder.Path("last.set")).Detail == detail, name);
            else
                QVERIFY2(dlg->Closing && rig_->host.doc.PhotoBmp == pic, name);
        }
    }

    // Enter on a focused button that opens a window opens it, as a click would; the
    // dialog itself stays open and unaccepted.
    void enterOnAFocusedButtonOpensItsWindow() {
        auto dlg = Open(TestPicture(64, 48));
        QApplication::setActiveWindow(dlg.get());
        dlg->PageControl1->setCurrentWidget(dlg->TabSheet1);
        QCoreApplication::processEvents();
        bool sketchMore = false, saveAs = false;
        WhenModal<TFrmSketchMoreOption>([&](TFrmSketchMoreOption* w) {
            sketchMore = true;
            w->reject();
        });
        dlg->Btn_SketchMore->setFocus();
        QTest::keyClick(dlg->Btn_SketchMore, Qt::Key_Return);
        QVERIFY(sketchMore);
        WhenModal<QFileDialog>([&](QFileDialog* d) {
            saveAs = d->acceptMode() == QFileDialog::AcceptSave;
            d->reject();
        });
        dlg->Btn_Save->setFocus();
        QTest::keyClick(dlg->Btn_Save, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(saveAs);
        QVERIFY(dlg->isVisible() && !dlg->Accepted);
    }

    // The pane shows the engine's preview of the region it shows, recomputed once for a
    // parameter change and again for a pane the window was resized to.
    void previewIsTheEnginesPreviewOfTheShownRegion() {
        auto dlg = Open(TestPicture(1200, 900));
        const TEffectParams& p = dlg->Params();
        QCOMPARE(p.Left, 0);
        QCOMPARE(p.Width, dlg->PaintBox1->width());
        QCOMPARE(p.Height, dlg->PaintBox1->height());
        QVERIFY(p.SourceBitmap == &rig_->host.doc.PhotoBmp);
        QString why;
        QVERIFY2(PaneShows(*dlg, EnginePreview(p), 0, 0, &why), qPrintable(why));

        // The same position again computes nothing.
        const int before = dlg->PreviewCount();
        dlg->Spn_Contrast->setValue(90);
        dlg->Trc_Contrast->setValue(90);
        QCOMPARE(dlg->PreviewCount(), before + 1);
        QCOMPARE(dlg->Params().Contrast, 90);
        QVERIFY2(PaneShows(*dlg, EnginePreview(dlg->Params()), 0, 0, &why), qPrintable(why));

        dlg->resize(900, 800);
        QTRY_COMPARE(dlg->Params().Width, dlg->PaintBox1->width());
        QCOMPARE(dlg->Params().Height, dlg->PaintBox1->height());
        QVERIFY2(PaneShows(*dlg, EnginePreview(dlg->Params()), 0, 0, &why), qPrintable(why));
    }

    // An emptied spin edit changes nothing; a track bar moved back to where it was
    // before a preset load still recomputes.
    void recomputesOnlyForARealChange() {
        auto dlg = Open(TestPicture(300, 200));
        dlg->Trc_Detail->setValue(200);
        int n = dlg->PreviewCount();
        dlg->Spn_Detail->findChild<QLineEdit*>()->clear();
        QCOMPARE(dlg->Trc_Detail->value(), 200);
        QCOMPARE(dlg->PreviewCount(), n);

        dlg->Trc_Detail->setValue(50);
        WritePreset(rig_->folder.Path("other.set"), ColorDefaults());
        dlg->LoadPreset(rig_->folder.Path("other.set"));
        dlg->UpdatePreview();
        QCOMPARE(dlg->Trc_Detail->value(), 115);
        n = dlg->PreviewCount();
        dlg->Trc_Detail->setValue(50);
        QCOMPARE(dlg->Spn_Detail->value(), 50);
        QCOMPARE(dlg->PreviewCount(), n + 1);
        QCOMPARE(dlg->Params().Detail, 50);
    }

    void bothLayersOffShowTheUnprocessedPicture() {
        auto dlg = Open(TestPicture(640, 480));
        dlg->Chk_DrawColor->setChecked(false);
        dlg->Chk_DrawSketch->setChecked(false);
        for (QWidget* w : std::initializer_list<QWidget*>{dlg->Trc_Detail, dlg->Btn_SketchMore, dlg->Trc_Red,
                                                          dlg->RB_Custom, dlg->Btn_ColorMore, dlg->Trc_BorderBlur,
                                                          dlg->Lab_Color9})
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        QVERIFY(dlg->Chk_DrawColor->isEnabled());
        QVERIFY(PaneShows(*dlg, rig_->host.doc.PhotoBmp));
        dlg->Chk_DrawSketch->setChecked(true);
        QVERIFY(dlg->Trc_Detail->isEnabled());
        QVERIFY(PaneShows(*dlg, EnginePreview(dlg->Params())));
    }

    void draggingPansUnprocessedAndReleaseProcesses() {
        auto dlg = Open(TestPicture(900, 700));
        QWidget* pane = dlg->PaintBox1;
        QVERIFY(dlg->HorzScrollBar().Enabled);
        QVERIFY(dlg->VertScrollBar().Enabled);
        QCOMPARE(pane->cursor().shape(), Qt::ClosedHandCursor);
        const int n = dlg->PreviewCount();
        Press(pane, {100, 100});
        Drag(pane, {60, 80});
        QCOMPARE(dlg->HorzScrollBar().Position, 40);
        QCOMPARE(dlg->VertScrollBar().Position, 20);
        QCOMPARE(dlg->PreviewCount(), n);
        QVERIFY(PaneShows(*dlg, rig_->host.doc.PhotoBmp, 40, 20));
        // A step past the start is ignored on that axis only, and its anchor stays.
        Drag(pane, {200, 70});
        QCOMPARE(dlg->HorzScrollBar().Position, 40);
        QCOMPARE(dlg->PaintBox1->PanAnchor().x(), 60);
        QCOMPARE(dlg->VertScrollBar().Position, 30);
        Release(pane, {200, 70});
        QCOMPARE(dlg->PreviewCount(), n + 1);
        QCOMPARE(dlg->Params().Left, 40);
        QCOMPARE(dlg->Params().Top, 30);
        QString why;
        QVERIFY2(PaneShows(*dlg, EnginePreview(dlg->Params()), 0, 0, &why), qPrintable(why));
    }

    void aSmallPictureCannotBeDraggedAndLeavesFaceColouredStrips() {
        auto dlg = Open(TestPicture(100, 60));
        QVERIFY(!dlg->HorzScrollBar().Enabled);
        QVERIFY(!dlg->VertScrollBar().Enabled);
        QVERIFY(!dlg->PaintBox1->testAttribute(Qt::WA_SetCursor));
        const QImage& c = dlg->PaintBox1->Canvas();
        const QRgb face = dlg->palette().color(QPalette::Button).rgb() & 0xFFFFFF;
        QCOMPARE(CanvasPixel(c, c.width() - 1, 0), face);
        QCOMPARE(CanvasPixel(c, 0, c.height() - 1), face);
        QCOMPARE(CanvasPixel(c, 100, 59), face);
        QVERIFY(PaneShows(*dlg, EnginePreview(dlg->Params())));
        Press(dlg->PaintBox1, {50, 30});
        Drag(dlg->PaintBox1, {10, 10});
        QCOMPARE(dlg->HorzScrollBar().Position, 0);
    }

    void handleEditorDrawsHitsAndDrags() {
        auto dlg = OpenOnThreeHandles();

        const QImage& c = dlg->Grp_ColorHandles->PB_Handles->Canvas();
        const int H = 33;
        const QRgb black = 0, white = 0xFFFFFF, silver = 0xC0C0C0;
        for (int pos : {0, 194, 387}) {
            QCOMPARE(CanvasPixel(c, pos, H - 10), black);       // left edge of the marker
            QCOMPARE(CanvasPixel(c, pos + 13, H - 10), black);  // right edge
            QCOMPARE(CanvasPixel(c, pos + 1, H - 4), silver);   // inside
            QCOMPARE(CanvasPixel(c, pos + 7, 3), black);        // the boundary line
            if (pos + 14 < 401) QCOMPARE(CanvasPixel(c, pos + 14, H - 10), white);
            if (pos > 0) QCOMPARE(CanvasPixel(c, pos - 1, H - 10), white);
        }
        QCOMPARE(CanvasPixel(c, 100, 4), black);  // the frame
        QCOMPARE(CanvasPixel(c, 100, H - 22), black);
        QCOMPARE(CanvasPixel(c, 100, 8), white);

        const int n = dlg->PreviewCount();
        Press(dlg->Grp_ColorHandles->PB_Handles, {200, 30});
        QCOMPARE(dlg->Grp_ColorHandles->SelectedHandle, 1);
        Drag(dlg->Grp_ColorHandles->PB_Handles, {100, 30});
        QCOMPARE(dlg->Grp_ColorHandles->Spn_Handle[1]->value(), 61);
        QCOMPARE(int(dlg->Params().Handles[1]), 61);
        QCOMPARE(dlg->PreviewCount(), n + 1);
        QCOMPARE(CanvasPixel(c, HandlePosition(61, 401), H - 10), black);
        Drag(dlg->Grp_ColorHandles->PB_Handles, {-50, 30});
        QCOMPARE(dlg->Grp_ColorHandles->Spn_Handle[1]->value(), 0);
        // A press off the markers grabs nothing, and a drag then does nothing.
        Press(dlg->Grp_ColorHandles->PB_Handles, {300, 5});
        QCOMPARE(dlg->Grp_ColorHandles->SelectedHandle, -1);
        Drag(dlg->Grp_ColorHandles->PB_Handles, {50, 5});
        QCOMPARE(dlg->Grp_ColorHandles->Spn_Handle[0]->value(), 0);
        QCOMPARE(dlg->Grp_ColorHandles->Spn_Handle[2]->value(), 255);
    }

    // On a scaled screen the pointer reports positions between whole pixels: at 100.5 it
    // is on the right half of the pane's pixel 100. A drag from there to pixel 60 pans by
    // 40 pixels, so the grabbed pixel stays under the pointer; a handle's marker is hit
    // on its last column and missed just left of it; a dragged handle takes the value of
    // the pixel under the pointer.
    void positionsBetweenPixelsActOnThePixelUnderThePointer() {
        auto dlg = Open(TestPicture(900, 700));
        QWidget* pane = dlg->PaintBox1;
        SendMouse(pane, QEvent::MouseButtonPress, QPointF(100.5, 100.5), Qt::LeftButton, Qt::LeftButton);
        SendMouse(pane, QEvent::MouseMove, QPointF(60, 80), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(dlg->HorzScrollBar().Position, 40);
        QCOMPARE(dlg->VertScrollBar().Position, 20);
        Release(pane, {60, 80});

        dlg = OpenOnThreeHandles();
        HandleEditor& editor = *dlg->Grp_ColorHandles;
        QWidget* scale = editor.PB_Handles;
        QCOMPARE(HandlePosition(128, 401), 194);
        SendMouse(scale, QEvent::MouseButtonPress, QPointF(193.5, 30.5), Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(editor.SelectedHandle, -1);
        SendMouse(scale, QEvent::MouseButtonPress, QPointF(208.5, 30.5), Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(editor.SelectedHandle, 1);
        SendMouse(scale, QEvent::MouseMove, QPointF(101.5, 30.5), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(editor.Spn_Handle[1]->value(), 61);  // (101 - 7) * 255 / 387
    }

    // The scale is drawn in its own pixels, which a screen scaled to twice its resolution
    // (QT_SCALE_FACTOR=2) only enlarges, so its letters must not change there. Such a
    // screen used to turn off the hinting of the glyphs, which left the letters ragged.
    void handleLettersDoNotDependOnTheScreenScale() {
        const QByteArray drawn = WrittenByScaledCopy(kHandleScaleFileVariable, "2");
        QVERIFY(!drawn.isEmpty());
        QVERIFY(drawn == HandleScalePixels());
    }

    // While a handle's spin edit is being retyped the scale is not drawn; once the
    // spin edit gives its number back, the scale shows every handle where it is.
    void handleScaleIsRedrawnWhenARetypedHandleIsLeft() {
        auto dlg = OpenOnThreeHandles();
        HandleEditor& editor = *dlg->Grp_ColorHandles;
        QSpinBox* b = editor.Spn_Handle[1];
        b->setFocus();
        b->selectAll();
        QTest::keyClick(b, Qt::Key_Backspace);
        QVERIFY(b->cleanText().isEmpty());
        // Handle A is dragged on the scale meanwhile, which takes no focus.
        Press(editor.PB_Handles, {3, 30});
        Drag(editor.PB_Handles, {100, 30});
        Release(editor.PB_Handles, {100, 30});
        QCOMPARE(editor.Spn_Handle[0]->value(), 61);
        editor.Spn_Handle[2]->setFocus();  // leaving B puts its number back
        QCOMPARE(b->value(), 128);
        QCOMPARE(b->text(), QStringLiteral("128"));
        const QImage& c = editor.PB_Handles->Canvas();
        QCOMPARE(CanvasPixel(c, HandlePosition(61, 401) + 7, 3), QRgb(0));
        QCOMPARE(CanvasPixel(c, 7, 3), QRgb(0xFFFFFF));
        QCOMPARE(CanvasPixel(c, HandlePosition(128, 401) + 7, 3), QRgb(0));
    }

    void switchingTheReducerTypeSwapsControlsAndRecomputes() {
        auto dlg = Open(TestPicture(320, 240));
        QVERIFY(dlg->Trc_ColorReducer->isEnabled());
        for (QRadioButton* type : {dlg->RB_Custom, dlg->RB_Equality}) {
            const bool custom = type == dlg->RB_Custom;
            const int n = dlg->PreviewCount();
            type->setChecked(true);
            QCOMPARE(dlg->Trc_ColorReducer->isHidden(), custom);
            QCOMPARE(dlg->Lab_ColorReducer->isHidden(), custom);
            QCOMPARE(dlg->Grp_ColorHandles->isHidden(), !custom);
            QCOMPARE(dlg->PreviewCount(), n + 1);
            QCOMPARE(dlg->Params().ReducerType, custom ? 1 : 0);
        }
        // Choosing a handle count in the list shows that many handles.
        dlg->RB_Custom->setChecked(true);
        dlg->PageControl1->setCurrentWidget(dlg->TabSheet5);
        dlg->Grp_ColorHandles->Cb_HandleCount->setFocus();
        dlg->Grp_ColorHandles->Cb_HandleCount->setCurrentIndex(0);
        QTest::keyClick(dlg->Grp_ColorHandles->Cb_HandleCount, Qt::Key_Down);
        QTest::keyClick(dlg->Grp_ColorHandles->Cb_HandleCount, Qt::Key_Down);
        QCOMPARE(dlg->Grp_ColorHandles->Cb_HandleCount->currentIndex(), 2);
        QVERIFY(!dlg->Grp_ColorHandles->Spn_Handle[2]->isHidden());
        QVERIFY(dlg->Grp_ColorHandles->Spn_Handle[3]->isHidden());
        QCOMPARE(dlg->Params().HandleCount, 3);
    }

    void windowPlacementFollowsThePreferencesAndIsStoredOnClose() {
        rig_->host.Preferences().PreviewSizeMode = 2;
        rig_->host.Preferences().LastPreviewLeft = 30;
        rig_->host.Preferences().LastPreviewTop = 40;
        rig_->host.Preferences().LastPreviewWidth = 600;
        rig_->host.Preferences().LastPreviewHeight = 500;
        auto dlg = Open(TestPicture(64, 64));
        QCOMPARE(dlg->width(), 600);
        QCOMPARE(dlg->height(), 500);
        dlg->resize(700, 450);
        QCoreApplication::processEvents();
        dlg->reject();
        QCOMPARE(rig_->host.Preferences().LastPreviewWidth, 700);
        QCOMPARE(rig_->host.Preferences().LastPreviewHeight, 450);
        QCOMPARE(rig_->host.Preferences().LastPreviewLeft, dlg->frameGeometry().left());

        // "Maximized" leaves the frame to the window manager.
        rig_->host.Preferences().PreviewSizeMode = 1;
        QVERIFY(Open(TestPicture(64, 64))->windowState() & Qt::WindowMaximized);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    if (const char* file = std::getenv(kHandleScaleFileVariable)) {
        const QByteArray pixels = HandleScalePixels();
        QFile out(QString::fromLocal8Bit(file));
        return out.open(QIODevice::WriteOnly) && out.write(pixels) == pixels.size() ? 0 : 1;
    }
    PreviewDialogTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "preview_dialog_test.moc"
