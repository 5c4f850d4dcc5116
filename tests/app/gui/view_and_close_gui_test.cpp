// What a new user meets first: saving by type, zooming at the pointer, the title, closing.

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include "app/gui/FileDialogs.h"
#include "document/gui/LayersWindow.h"
#include "history/HistoryIndex.h"
#include "history/gui/HistoryWindow.h"
#include "tools/gui/ToolOptionWindow.h"
#include "support/ToolTestKit.h"
#include "tools/ToolIds.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// Picks type `filterRow` and name `name` in a save dialog as a user does, then presses Save.
void FillSaveDialog(QFileDialog& dialog, int filterRow, const QString& name) {
    auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    QVERIFY(types);
    types->setCurrentIndex(filterRow);
    emit types->activated(filterRow);
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->setText(name);
    auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    QVERIFY(buttons && buttons->button(QDialogButtonBox::Save));
    buttons->button(QDialogButtonBox::Save)->click();
}

// While alive, the question about unsaved work is recorded and answered with `answer`.
struct SaveQuestions {
    QStringList asked;
    SaveAnswer answer = SaveAnswer::Cancel;
    SaveQuestions() {
        SetSaveAnswerHook([this](const QString& text) {
            asked << text;
            return answer;
        });
    }
    ~SaveQuestions() { SetSaveAnswerHook(nullptr); }
};

// The picture position shown at paint-box pixel (x, y), in fractional pixels.
QPointF ImageAt(TFrmMain& w, QPoint p) {
    return QPointF(p.x() / w.Doc().Zoom + w.HorzPosition(), p.y() / w.Doc().Zoom + w.VertPosition());
}

}  // namespace

class ViewAndCloseTest : public QObject {
    Q_OBJECT

private slots:
    void savingThroughTheTypeListAddsItsExtension() {
        PictureWindow p(Gradient(40, 30));
        auto& [env, w] = p;
        const char* extensions[] = {".BMP", ".JPG", ".D2O"};
        for (int row = 0; row < 3; ++row) {
            auto dialog = w.MakeSaveDialog(SaveProposal{"ignored", 1});
            dialog->setDirectory(env.dir.path());
            FillSaveDialog(*dialog, row, QStringLiteral("out%1").arg(row));
            const int index = SelectedFilterIndex(*dialog);
            QCOMPARE(index, row + 1);
            QVERIFY(w.SaveToFile(dialog->selectedFiles().front(), index));
            QVERIFY2(QFileInfo::exists(env.Path(QStringLiteral("out%1").arg(row) + extensions[row])), extensions[row]);
        }
        QVERIFY(env.messages.isEmpty());

        // Another type picked after the proposal swaps its extension for the type's.
        auto dialog = w.MakeSaveDialog(SaveProposal{"proj.d2o", 3});
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        types->setCurrentIndex(1);
        emit types->activated(1);
        QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(), QStringLiteral("proj.jpg"));
    }

    // The dialog asks once before it replaces a file, also one whose extension the
    // chosen type adds to the name typed (as it does to the name Save proposes), and
    // the program asks nothing more: answering No leaves the file as it was.
    void replacingAFileIsAskedOnceAlsoWhenTheTypeAddsTheExtension() {
        PictureWindow p(Gradient(40, 30));
        auto& [env, w] = p;
        const QByteArray earlier("an earlier result");
        const QString existing = WriteRaw(env, QStringLiteral("out.BMP"), earlier);
        for (const QString& typed : {QStringLiteral("out.BMP"), QStringLiteral("out")}) {
            QStringList asked;
            QTimer::singleShot(0, [&] {
                auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                QVERIFY(d);
                d->setDirectory(env.dir.path());
                // Runs inside the question, if one is asked: No, then the dialog is cancelled.
                QTimer::singleShot(0, [&asked, d] {
                    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                    if (!box) return;
                    asked << box->text();
                    QTimer::singleShot(0, d, &QDialog::reject);
                    box->button(QMessageBox::No)->click();
                });
                FillSaveDialog(*d, 0, typed);
            });
            QVERIFY2(!w.SaveCommand(), qPrintable(typed));
            QCOMPARE(asked.size(), 1);
            QVERIFY2(asked[0].contains(QStringLiteral("out.BMP")), qPrintable(asked[0]));
            QFile file(existing);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), earlier);
        }
        // A folder's name gets no extension: Save opens the folder and writes nothing.
        QVERIFY(QDir(env.dir.path()).mkdir(QStringLiteral("sub")));
        QString opened;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(d);
            d->setDirectory(env.dir.path());
            FillSaveDialog(*d, 0, QStringLiteral("sub"));
            opened = d->directory().absolutePath();
            d->reject();
        });
        QVERIFY(!w.SaveCommand());
        QCOMPARE(opened, env.Path(QStringLiteral("sub")));
        QVERIFY(QDir(env.Path(QStringLiteral("sub"))).isEmpty());
        QVERIFY(env.messages.isEmpty());
    }

    void ctrlWheelKeepsThePixelUnderThePointer() {
        PictureWindow p(Gradient(2000, 1500));
        auto& [env, w] = p;
        const QPoint at(230, 170);
        for (int notches : {1, 2, 1, -1, -3, 2}) {
            const QPointF before = ImageAt(w, at);
            const double zoom = w.Doc().Zoom;
            CtrlWheel(w.PaintBox1, at, notches);
            QVERIFY(notches > 0 ? w.Doc().Zoom > zoom : w.Doc().Zoom < zoom);
            const QPointF after = ImageAt(w, at);
            // Scroll positions are whole pixels: the point stays within one of them.
            QVERIFY2(std::abs(after.x() - before.x()) <= 1.0 && std::abs(after.y() - before.y()) <= 1.0,
                     qPrintable(QStringLiteral("zoom %1").arg(w.Doc().Zoom)));
        }
        // The menu commands keep returning to the top-left corner.
        w.MenuItem_ZoomInClick();
        QCOMPARE(w.HorzPosition(), 0);
        QCOMPARE(w.VertPosition(), 0);
    }

    void fitInWindowShowsTheWholePicture() {
        ShellEnv env;
        for (QSize picture : {QSize(3000, 1200), QSize(120, 90)}) {
            TFrmMain w(env.Folder());
            OpenPicture(w, env, Gradient(picture.width(), picture.height()));
            w.MenuItem_FitInWindow->trigger();
            QVERIFY(w.HorzScrollBar->isHidden());
            QVERIFY(w.VertScrollBar->isHidden());
            // One side fills the view: the whole picture at the largest zoom.
            const double zoom = w.Doc().Zoom;
            const int shownW = qRound(picture.width() * zoom), shownH = qRound(picture.height() * zoom);
            QVERIFY(shownW <= w.PaintBox1->width() && shownH <= w.PaintBox1->height());
            QVERIFY(shownW >= w.PaintBox1->width() - 1 || shownH >= w.PaintBox1->height() - 1);
            QCOMPARE(w.Doc().ViewRect, (Rect{0, 0, picture.width() - 1, picture.height() - 1}));
            // Fit in Window updates the palette as the zoom commands do.
            QCOMPARE(w.FrmTools->PaletteState(), zoom < 1.0 ? 1 : 2);
        }
    }

    void titleNamesTheDocumentAndFollowsTheHistory() {
        PictureWindow p(Gradient(60, 40));
        auto& [env, w] = p;
        QCOMPARE(w.windowTitle(), QStringLiteral("picture.bmp[*] \u2014 Velmora Professional Edition"));
        QVERIFY(!w.isWindowModified());
        ChooseTool(w, ToolPencil);
        Stroke(w, {QPoint(5, 5)});
        QVERIFY(w.isWindowModified());
        // Which name undo and redo show after a save is titleNamesTheFileEachStateWasSavedAs's.
        QVERIFY(w.SaveToFile(env.Path("saved.bmp"), 1));
        QVERIFY(!w.isWindowModified());
        QVERIFY(w.windowTitle().startsWith(QStringLiteral("saved.bmp[*]")));
        // What the Layers window shows is saved too, drawable boxes included, but no
        // state holds it: undo and redo cannot come back to that save.
        w.FrmLayers->Chk_SketchDrawable->setChecked(false);
        QVERIFY(w.isWindowModified());
        QVERIFY(w.SaveToFile(env.Path("saved.bmp"), 1));
        w.FrmLayers->Chk_SketchVisible->setChecked(false);
        QVERIFY(w.SaveToFile(env.Path("hidden.bmp"), 1));
        w.MenuItem_UndoClick();
        w.MenuItem_RedoClick();
        QVERIFY(w.isWindowModified());
        w.FrmLayers->Chk_SketchVisible->setChecked(false);
        // A state whose snapshot could not be written is dropped; the picture shown,
        // which no state holds, cannot be come back to either.
        w.FrmHistory->FinishWrites();
        const QString blocked = QString::fromStdString(w.FrmHistory->SlotPath(w.FrmHistory->Ring().NextSlot()));
        QVERIFY(QDir().mkpath(blocked));
        ChooseTool(w, ToolPencil);
        Stroke(w, {QPoint(9, 9)});
        QTRY_COMPARE(env.messages.size(), 1);
        QVERIFY(QDir().rmdir(blocked));
        QVERIFY(w.SaveToFile(env.Path("dropped.bmp"), 1));
        w.MenuItem_UndoClick();
        w.MenuItem_RedoClick();
        QVERIFY(w.isWindowModified());

        // Opening another picture over changed work asks first, however it is opened;
        // Cancel keeps the work.
        SaveQuestions questions;
        const QString second = WriteBmp(env, "second.bmp", Gradient(30, 20));
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(second)});
        qsizetype askedBefore = 0;
        auto drop = [&] {
            QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&w, &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent event(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&w, &event);
            // The drop ends before the open asks anything: its source is not held.
            QVERIFY(event.isAccepted());
            QCOMPARE(questions.asked.size(), askedBefore);
            QCoreApplication::processEvents();
        };
        drop();
        askedBefore = 1;
        QVERIFY(!w.OpenFile(second));  // as File, Open and the command line do
        QCOMPARE(questions.asked.size(), 2);
        QVERIFY(questions.asked[0].endsWith(QStringLiteral("Save the changes before opening another picture?")));
        QCOMPARE(w.Doc().PhotoBmp.Width(), 60);
        questions.answer = SaveAnswer::Discard;
        askedBefore = 2;
        drop();
        QCOMPARE(w.Doc().PhotoBmp.Width(), 30);
        QCOMPARE(w.LastOpenedPath(), second);

        // Undo past the open names the earlier picture again, in the title and the Save proposal.
        w.MenuItem_UndoClick();
        QCOMPARE(w.Doc().PhotoBmp.Width(), 60);
        QVERIFY(w.windowTitle().startsWith(QStringLiteral("picture.bmp[*]")));
        QVERIFY(w.isWindowModified());
        QCOMPARE(w.LastOpenedPath(), env.Path("picture.bmp"));
        HistoryIndex index;  // and so does the work a crash would leave
        std::string error;
        QVERIFY(ReadHistoryIndex(env.Path("history").toStdString(), index, error));
        QCOMPARE(QString::fromStdString(index.DocumentPath), env.Path("picture.bmp"));
        w.MenuItem_RedoClick();
        QVERIFY(w.windowTitle().startsWith(QStringLiteral("second.bmp[*]")));
        QVERIFY(!w.isWindowModified());

        // A file name may hold the mark that stands for the change sign in the title.
        QVERIFY(w.SaveToFile(env.Path("mark[*].bmp"), 1));
        QCOMPARE(w.windowHandle()->title(), QStringLiteral("mark[*].bmp \u2014 Velmora Professional Edition"));
        w.FrmLayers->Chk_SketchVisible->toggle();
        QCOMPARE(w.windowHandle()->title(), QStringLiteral("mark[*].bmp* \u2014 Velmora Professional Edition"));
    }

    // Every state that a file holds is named by that file, unmarked, however many were
    // saved since; a state no file holds is named by the file the work was on then.
    void titleNamesTheFileEachStateWasSavedAs() {
        PictureWindow p(Gradient(60, 40));
        auto& [env, w] = p;
        auto titled = [&w](const char* name, bool modified) {
            QVERIFY2(w.windowTitle().startsWith(QString::fromLatin1(name) + QStringLiteral("[*]")),
                     qPrintable(w.windowTitle()));
            QCOMPARE(w.isWindowModified(), modified);
        };
        Edit(w, 11);
        QVERIFY(w.SaveToFile(env.Path("first.bmp"), 1));
        Edit(w, 22);
        QVERIFY(w.SaveToFile(env.Path("second.bmp"), 1));
        w.MenuItem_UndoClick();
        titled("first.bmp", false);
        w.MenuItem_UndoClick();
        titled("picture.bmp", false);
        w.MenuItem_RedoClick();
        w.MenuItem_RedoClick();
        titled("second.bmp", false);
        QCOMPARE(w.LastOpenedPath(), env.Path("picture.bmp"));  // which Save still proposes from
        // A new edit after undo is work on the file shown, in redo as well.
        w.MenuItem_UndoClick();
        Edit(w, 33);
        titled("first.bmp", true);
        w.MenuItem_UndoClick();
        w.MenuItem_RedoClick();
        titled("first.bmp", true);
        // Saved over, the file holds the newer picture only.
        QVERIFY(w.SaveToFile(env.Path("first.bmp"), 1));
        w.MenuItem_UndoClick();
        titled("picture.bmp", true);
        w.MenuItem_UndoClick();
        titled("picture.bmp", false);
    }

    void closingOffersSaveDiscardAndCancel() {
        SaveQuestions questions;
        PictureWindow p(Gradient(60, 40));
        auto& [env, w] = p;
        QVERIFY(w.AddState("Pencil", "--"));
        // Cancel, or Save and then cancel its dialog: the window stays.
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        questions.answer = SaveAnswer::Save;
        QTimer::singleShot(0, [] {
            if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) d->reject();
        });
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        // Save and write it: the window closes.
        QTimer::singleShot(0, [&env] {
            auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(d);
            d->setDirectory(env.dir.path());
            FillSaveDialog(*d, 0, QStringLiteral("closing"));
        });
        QVERIFY(w.close());
        QVERIFY(QFileInfo::exists(env.Path("closing.BMP")));
        QCOMPARE(questions.asked.size(), 3);

        // Discard closes without writing anything.
        PictureWindow other(Gradient(60, 40));
        QVERIFY(other.w.AddState("Pencil", "--"));
        questions.answer = SaveAnswer::Discard;
        QVERIFY(other.w.close());
    }

    // In Opacity mode the Layers window shows one more row: it keeps its size, and
    // covers no other tool window.
    void toolWindowsNeverCoverEachOtherAndAPhotographFits() {
        ShellEnv env;
        TFrmMain w(env.Folder());
        w.resize(1000, 720);
        w.show();
        // A 12-megapixel photograph: the sample, scaled up smoothly.
        const QImage sample(QStringLiteral(VELMORA_PROGRAM_DIR "/sample.jpg"));
        QVERIFY(!sample.isNull());
        const QImage big = sample.scaled(4000, 3000, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               .convertToFormat(QImage::Format_RGB888);
        QVERIFY(big.save(env.Path("big.jpg"), "JPG", 92));
        QVERIFY(w.OpenFile(env.Path("big.jpg")));
        const QSize layersSize = w.FrmLayers->size();
        w.FrmLayers->CmbBlendingMode->setCurrentIndex(1);
        w.MenuItem_FitInWindow->trigger();
        QApplication::processEvents();
        QCOMPARE(w.FrmLayers->size(), layersSize);
        QVERIFY(w.HorzScrollBar->isHidden() && w.VertScrollBar->isHidden());
        const QWidget* windows[] = {w.FrmHistory, w.FrmLayers, w.FrmTools, w.FrmToolOption};
        for (const QWidget* a : windows)
            for (const QWidget* b : windows)
                if (a != b)
                    QVERIFY2(!a->frameGeometry().intersects(b->frameGeometry()),
                             qPrintable(a->objectName() + QStringLiteral(" covers ") + b->objectName()));
        w.FrmLayers->CmbBlendingMode->setCurrentIndex(0);
        QApplication::processEvents();
        QCOMPARE(w.FrmLayers->size(), layersSize);
    }
};

QTEST_MAIN(ViewAndCloseTest)
#include "view_and_close_gui_test.moc"
