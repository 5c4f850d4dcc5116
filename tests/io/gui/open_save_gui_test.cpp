// File, Open and File, Save through the main window: both picture kinds and projects,
// the failure messages, the dialogs' filters and proposals, the added extensions and
// the refused or failed writes.

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QtTest>

#include "app/gui/MainWindow.h"
#include "app/gui/ShellTestSupport.h"
#include "document/gui/LayersWindow.h"
#include "io/ProjectFile.h"
#include "tools/gui/ToolsWindow.h"

using namespace velmora;
using namespace velmora::test;

namespace {

QStringList ComboTexts(QFileDialog& d) {
    QStringList texts;
    auto* combo = d.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    if (!combo) return texts;
    for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
    return texts;
}

QString ComboCurrent(QFileDialog& d) {
    auto* combo = d.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    return combo ? combo->currentText() : QString();
}

bool IsWhite(const Bitmap& b) {
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            for (int c = 0; c < 3; ++c)
                if (b.Pixel(x, y)[c] != 255) return false;
    return true;
}

}  // namespace

class OpenSaveTest : public QObject {
    Q_OBJECT
private slots:
    void OpeningABitmap() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        w.show();
        const Bitmap pic = Gradient(64, 48);
        const QString path = WriteBmp(env, "photo.bmp", pic);
        QVERIFY(w.OpenFile(path));
        QVERIFY(env.messages.isEmpty());
        const Document& d = w.Doc();
        QVERIFY(d.ImageLoaded);
        QVERIFY(d.PhotoBmp.SamePixels(pic));
        QVERIFY(d.ColorBmp.SamePixels(pic));
        QVERIFY(IsWhite(d.SketchBmp));
        QCOMPARE(d.SketchBmp.Width(), 64);
        QCOMPARE(d.CompositeBmp.Width(), 64);
        QCOMPARE(d.CurrentTool, 41);
        QCOMPARE(d.Zoom, 1.0);
        QVERIFY(w.FrmTools->ToolButton(41)->isChecked());
        QCOMPARE(w.LastOpenedPath(), path);
        for (QAction* a : {w.MenuItem_SaveAs, w.MenuItem_Copy, w.MenuItem_Classic, w.MenuItem_Blur, w.MenuItem_ZoomIn,
                           w.MenuItem_ActualPixels, w.MenuItem_Canvas})
            QVERIFY2(a->isEnabled(), qPrintable(a->text()));
        QCOMPARE(w.StatusPanels[0]->text(), QStringLiteral("64 x 48"));
    }

    void OpeningJpegInEverySpelling() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        w.show();
        const QString jpg = WriteJpeg(env, "a.jpg", Gradient(33, 21));
        QFile::copy(jpg, env.Path("b.JPG"));
        QFile::copy(jpg, env.Path("c.jpeg"));
        QFile::copy(jpg, env.Path("d.JpEg"));
        for (const char* name : {"a.jpg", "b.JPG", "c.jpeg", "d.JpEg"}) {
            QVERIFY2(w.OpenFile(env.Path(name)), name);
            QCOMPARE(w.Doc().PhotoBmp.Width(), 33);
            QCOMPARE(w.Doc().PhotoBmp.Height(), 21);
        }
        QVERIFY(env.messages.isEmpty());
    }

    void OpeningAProjectRestoresLayersAndState() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        w.show();
        Bitmap sketch = Gradient(20, 10), color(20, 10), photo(20, 10);
        color.Fill(10, 20, 30);
        photo.Fill(1, 2, 3);
        LayerState state;
        state.BlendingMode = 1;
        state.Opacity = 40;
        state.ColorDrawable = false;
        const QString path = env.Path("work.d2o");
        QCOMPARE(SaveD2O(path.toStdString(), sketch, color, photo, state), 0);
        QVERIFY(w.OpenFile(path));
        QVERIFY(w.Doc().SketchBmp.SamePixels(sketch));
        QVERIFY(w.Doc().ColorBmp.SamePixels(color));
        QVERIFY(w.Doc().PhotoBmp.SamePixels(photo));
        QCOMPARE(w.GetLayerState(), state);
        QVERIFY(w.FrmLayers->Trc_Opacity->isVisible());
        // The whole composite is made: (c * 60 + s * 40) / 100 everywhere.
        const Bitmap& c = w.Doc().CompositeBmp;
        QCOMPARE(int(c.Pixel(19, 9)[0]), (10 * 60 + sketch.Pixel(19, 9)[0] * 40) / 100);
        QCOMPARE(w.Doc().CurrentTool, 41);
    }

    void FailuresAreReportedAndChangeNothing() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        w.show();
        // Before anything is open, a failure leaves the program as it started.
        QFile txt(env.Path("notes.txt"));
        QVERIFY(txt.open(QIODevice::WriteOnly));
        txt.write("hello");
        txt.close();
        QVERIFY(!w.OpenFile(env.Path("notes.txt")));
        QCOMPARE(env.messages, QStringList{env.Path("notes.txt") + " open failed."});
        QVERIFY(!w.Doc().ImageLoaded);
        QVERIFY(!w.MenuItem_SaveAs->isEnabled());

        const Bitmap pic = Gradient(40, 30);
        QVERIFY(w.OpenFile(WriteBmp(env, "good.bmp", pic)));

        // A project with the wrong magic: two messages, project one first.
        env.messages.clear();
        QFile bad(env.Path("bad.d2o"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(1500, 'x'));
        bad.close();
        QVERIFY(!w.OpenFile(env.Path("bad.d2o")));
        QCOMPARE(env.messages.size(), 2);
        QVERIFY(env.messages[0].startsWith(env.Path("bad.d2o") + " is not a valid .d2o file."));
        QCOMPARE(env.messages[1], env.Path("bad.d2o") + " open failed.");

        // A JPEG the decoder refuses and a truncated bitmap.
        env.messages.clear();
        QFile broken(env.Path("broken.jpg"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("\xFF\xD8\xFF\xE0garbage", 11);
        broken.close();
        QVERIFY(!w.OpenFile(env.Path("broken.jpg")));
        const QString bmp = WriteBmp(env, "cut.bmp", Gradient(50, 50));
        QFile::resize(bmp, 200);
        QVERIFY(!w.OpenFile(bmp));
        QCOMPARE(env.messages.size(), 2);
        QVERIFY(env.messages[0].startsWith(env.Path("broken.jpg") + " open failed."));
        QVERIFY(env.messages[1].startsWith(bmp + " open failed."));

        // The earlier picture is still there, whole.
        QVERIFY(w.Doc().PhotoBmp.SamePixels(pic));
        QVERIFY(w.Doc().ColorBmp.SamePixels(pic));
        QCOMPARE(w.Doc().SketchBmp.Width(), 40);
        QCOMPARE(w.LastOpenedPath(), env.Path("good.bmp"));
    }

    void DialogsShowTheirFiltersAndProposals() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        w.show();
        auto open = w.MakeOpenDialog();
        QVERIFY(open->testOption(QFileDialog::DontUseNativeDialog));
        QCOMPARE(ComboTexts(*open), (QStringList{"All Picture(*.jpg;*.jpeg;*.bmp;*.png;*.d2o)",
                                                 "JPEG Image File (*.jpg)", "JPEG Image File (*.jpeg)",
                                                 "Bitmaps (*.bmp)", "PNG Image File (*.png)",
                                                 "Vozed Uv Idarave File(*.d2o)", "All File(*.*)"}));

        QVERIFY(w.OpenFile(WriteJpeg(env, "beach.jpg", Gradient(10, 10))));
        auto save = w.MakeSaveDialog(ProposeSaveName(w.LastOpenedPath().toStdString()));
        QVERIFY(save->testOption(QFileDialog::DontUseNativeDialog));
        QCOMPARE(save->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(ComboTexts(*save),
                 (QStringList{"Bitmaps (*.bmp)", "JPEG Image File (*.jpg)", "Vozed Uv Idarave File(*.d2o)",
                              "PNG Image File (*.png)"}));
        QCOMPARE(ComboCurrent(*save), QStringLiteral("Bitmaps (*.bmp)"));
        auto* name = save->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        QCOMPARE(name->text(), QStringLiteral("beach_cartoon"));

        // After a project: its own name and the project filter.
        Bitmap b(4, 4);
        QCOMPARE(SaveD2O(env.Path("proj.d2o").toStdString(), b, b, b, LayerState{}), 0);
        QVERIFY(w.OpenFile(env.Path("proj.d2o")));
        save = w.MakeSaveDialog(ProposeSaveName(w.LastOpenedPath().toStdString()));
        QCOMPARE(ComboCurrent(*save), QStringLiteral("Vozed Uv Idarave File(*.d2o)"));
        QCOMPARE(save->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(), QStringLiteral("proj.d2o"));
    }

    void SavingAddsExtensionsAndReportsWhatWasNotWritten() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        w.show();
        QVERIFY(w.OpenFile(WriteBmp(env, "s.bmp", Gradient(16, 12))));
        // Scroll state is irrelevant: the whole composite is written.
        QVERIFY(w.SaveToFile(env.Path("result"), 2));
        QVERIFY(QFileInfo::exists(env.Path("result.JPG")));
        QVERIFY(w.SaveToFile(env.Path("result"), 1));
        Bitmap back;
        std::string error;
        QVERIFY(ReadBmpFile(env.Path("result.BMP").toStdString(), back, error));
        QVERIFY(back.SamePixels(w.Doc().CompositeBmp));
        QCOMPARE(int(back.Pixel(15, 11)[0]), (15 * 255) >> 8);

        QVERIFY(w.SaveToFile(env.Path("again"), 3));
        QVERIFY(w.OpenFile(env.Path("again.D2O")));
        QCOMPARE(w.Doc().PhotoBmp.Width(), 16);
        QVERIFY(env.messages.isEmpty());

        // Another extension: nothing written, and the user learns why.
        QVERIFY(!w.SaveToFile(env.Path("picture.tif"), 1));
        QVERIFY(!QFileInfo::exists(env.Path("picture.tif")));
        QCOMPARE(env.messages.size(), 1);
        QVERIFY(env.messages[0].startsWith(env.Path("picture.tif") + " was not saved"));

        // A write that cannot happen names the file.
        env.messages.clear();
        QVERIFY(!w.SaveToFile(env.Path("missing/folder/x.bmp"), 1));
        QCOMPARE(env.messages.size(), 1);
        QVERIFY(env.messages[0].startsWith(env.Path("missing/folder/x.bmp") + " could not be saved."));
    }

    void DroppedFileOpensLikeFileOpen() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        w.show();
        const QString path = WriteBmp(env, "dropped.bmp", Gradient(12, 9));
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &drop);
        QVERIFY(w.Doc().ImageLoaded);
        QCOMPARE(w.LastOpenedPath(), path);
    }
};

QTEST_MAIN(OpenSaveTest)
#include "open_save_gui_test.moc"
