// The history ring driven through the main window, down to snapshots that cannot be read or written.

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QtTest>

#include "adjust/gui/AdjustmentForms.h"
#include "app/gui/MainWindow.h"
#include "app/gui/ShellTestSupport.h"
#include "history/gui/HistoryWindow.h"
#include "io/IoTestUtil.h"
#include "prefs/Options.h"
#include "tools/ToolIds.h"
#include "tools/gui/ToolOptionWindow.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// The sketch's first byte, which Edit() marks.
int SketchMark(TFrmMain& w) { return w.Doc().SketchBmp.Pixel(0, 0)[0]; }

QStringList SnapshotFiles(const ShellEnv& env) {
    return QDir(env.Path("history")).entryList({"~history*.d2o"}, QDir::Files, QDir::Name);
}

}  // namespace

class HistoryThroughMainTest : public QObject {
    Q_OBJECT
private slots:
    // The ring itself is tested in the core and with the History window alone; here,
    // that the History States option reaches it and Undo and Redo follow it.
    void UndoAndRedoCommandsFollowTheRing() {
        ShellEnv env;
        QCOMPARE(SaveOptions(env.Folder() + "/options.dat", Options{.HistoryStates = 3}), std::string());
        TFrmMain w(env.Folder());
        w.show();
        QVERIFY(w.OpenFile(WriteBmp(env, "p.bmp", Gradient(30, 20))));
        QVERIFY(!w.MenuItem_Undo->isEnabled());
        for (int mark : {11, 22, 33}) Edit(w, mark);
        // Four slots: the third edit wrapped around to slot 0 and dropped "Open".
        QCOMPARE(SnapshotFiles(env).size(), 4);
        QVERIFY(!w.MenuItem_Redo->isEnabled());
        w.MenuItem_Undo->trigger();
        w.MenuItem_Undo->trigger();
        QCOMPARE(SketchMark(w), 11);
        QVERIFY(!w.MenuItem_Undo->isEnabled());
        QVERIFY(w.MenuItem_Redo->isEnabled());
        // A new edit discards what could be redone.
        Edit(w, 44);
        QVERIFY(!w.MenuItem_Redo->isEnabled());
        w.MenuItem_Undo->trigger();
        QCOMPARE(SketchMark(w), 11);
    }

    void UndoAfterAnAdjustmentRestoresTheLayersExactly() {
        Shell s;
        auto& [env, w] = s;
        QVERIFY(s.Open("p.bmp", Gradient(40, 30)));
        Edit(w, 90);  // a sketch that is not plain white, so both layers take part
        const Bitmap sketchBefore = w.Doc().SketchBmp;
        const Bitmap colorBefore = w.Doc().ColorBmp;
        {
            TFrmSaturation dlg(w, &w);
            dlg.findChild<QSlider*>("TrcSaturation")->setValue(-100);
            dlg.findChild<QPushButton*>("BtnOK")->click();
        }
        QVERIFY(!(w.Doc().ColorBmp == colorBefore));
        w.MenuItem_Undo->trigger();
        QVERIFY(w.Doc().SketchBmp == sketchBefore);
        QVERIFY(w.Doc().ColorBmp == colorBefore);
        w.MenuItem_Redo->trigger();
        QVERIFY(!(w.Doc().ColorBmp == colorBefore));
    }

    void UndoAcrossOpeningAnotherPicture() {
        Shell s(QSize(500, 400));
        auto& [env, w] = s;
        QVERIFY(s.Open("first.bmp", Gradient(64, 48)));
        // An edit of the first picture that also changes the layer state.
        LayerState state = w.GetLayerState();
        state.BlendingMode = 1;
        state.Opacity = 30;
        state.ColorDrawable = false;
        w.SetLayerStateQuietly(state);
        Edit(w, 77);

        QVERIFY(s.Open("second.bmp", Gradient(20, 10)));
        QCOMPARE(w.Doc().PhotoBmp.Width(), 20);

        w.MenuItem_Undo->trigger();
        const Document& d = w.Doc();
        for (const Bitmap* b : {&d.PhotoBmp, &d.SketchBmp, &d.ColorBmp, &d.CompositeBmp})
            QCOMPARE(QSize(b->Width(), b->Height()), QSize(64, 48));
        QCOMPARE(SketchMark(w), 77);
        QCOMPARE(w.GetLayerState(), state);
        QCOMPARE(d.ViewRect.Right, 63);

        // And forward again to the second picture.
        w.MenuItem_Redo->trigger();
        QCOMPARE(w.Doc().PhotoBmp.Width(), 20);
        QCOMPARE(w.GetLayerState().BlendingMode, 0);
    }

    void UnreadableSnapshotLeavesTheDocumentWhole() {
        Shell s;
        auto& [env, w] = s;
        QVERIFY(s.Open("first.bmp", Gradient(64, 48)));
        QVERIFY(s.Open("second.bmp", Gradient(20, 10)));
        // Its snapshot is written in the background; damage it only once it is complete.
        w.FrmHistory->FinishWrites();
        // Damage the first picture's snapshot: cut it inside its second image.
        const QString first = env.Path("history/~history1.d2o");
        QVERIFY(QFile::resize(first, 1024 + 64 * 48 * 3 + 200));
        env.messages.clear();
        w.MenuItem_UndoClick();
        QCOMPARE(env.messages.size(), 1);
        QVERIFY(env.messages[0].contains(QStringLiteral("~history1.d2o")));
        for (const Bitmap* b : {&w.Doc().PhotoBmp, &w.Doc().SketchBmp, &w.Doc().ColorBmp, &w.Doc().CompositeBmp})
            QCOMPARE(b->Width(), 20);
    }

    // An "Open" whose snapshot could not be written is dropped; the earlier picture's
    // state that then takes its slot again is neither the file opened nor saved.
    void DroppedOpenStateLeavesNoSavedStateBehind() {
        Shell s;
        auto& [env, w] = s;
        QVERIFY(s.Open("first.bmp", Gradient(30, 20)));
        Edit(w, 11);
        Edit(w, 22);
        w.MenuItem_UndoClick();
        w.MenuItem_UndoClick();
        const QString second = WriteBmp(env, "second.bmp", Gradient(20, 10));
        {
            testing::FileSizeLimit full(kProjectHeaderSize);
            QVERIFY(w.OpenFile(second));
            w.FrmHistory->FinishWrites();
        }
        QCOMPARE(env.messages.size(), 1);
        w.MenuItem_RedoClick();
        QCOMPARE(SketchMark(w), 11);
        QVERIFY(w.isWindowModified());
        QVERIFY(w.windowTitle().startsWith(QStringLiteral("first.bmp[*]")));
    }

    void SnapshotThatCannotBeWrittenIsReported() {
        Shell s;
        auto& [env, w] = s;
        QVERIFY(s.Open("p.bmp", Gradient(30, 20)));
        // A folder where the next slot's file should be makes that write fail.
        QVERIFY(QDir().mkpath(env.Path("history/~history2.d2o")));
        env.messages.clear();
        // The state is recorded at once; the failed write is reported when collected
        // and takes the state back out.
        w.Doc().SketchBmp.Pixel(0, 0)[0] = 7;
        QVERIFY(w.AddState("Pencil", "--"));
        w.FrmHistory->FinishWrites();
        QCOMPARE(env.messages.size(), 1);
        QVERIFY(env.messages[0].contains(QStringLiteral("~history2.d2o")));
        // The step itself can still be taken back, to the picture as opened.
        QVERIFY(w.MenuItem_Undo->isEnabled());
        w.MenuItem_Undo->trigger();
        QCOMPARE(SketchMark(w), 255);
        QVERIFY(!w.isWindowModified());
        QVERIFY(!w.MenuItem_Undo->isEnabled());
    }

    // After a click in the History list the list keeps the keyboard. It has no use for
    // letters (it does not search by them) nor for [ and ], which then choose a tool and
    // its size as over the picture; its arrows still move through the states.
    void ToolKeysWorkWhileTheListHasTheKeyboard() {
        Shell s;
        auto& [env, w] = s;
        QVERIFY(s.Open("p.bmp", Gradient(30, 20)));
        Edit(w, 11);
        QTableWidget* list = w.FrmHistory->StringGrid1;
        list->setFocus();
        QTest::keyClick(list, Qt::Key_B);
        QCOMPARE(w.Doc().CurrentTool, int(ToolBrush));
        const int size = w.FrmToolOption->TrcBrushSize->value();
        QTest::keyClick(list, Qt::Key_BracketRight);
        QVERIFY(w.FrmToolOption->TrcBrushSize->value() > size);
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(SketchMark(w), 255);
    }
};

QTEST_MAIN(HistoryThroughMainTest)
#include "history_main_gui_test.moc"
