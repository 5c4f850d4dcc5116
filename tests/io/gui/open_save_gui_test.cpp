// File, Open and File, Save through the main window: what the window shows and tells the user.

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "app/gui/MainWindow.h"
#include "app/gui/ShellTestSupport.h"
#include "document/gui/LayersWindow.h"
#include "io/ProjectFile.h"
#include "tools/gui/ToolsWindow.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// The dialog's file types, the chosen one first.
QStringList ComboTexts(QFileDialog& d) {
    auto* combo = d.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    QStringList texts{combo ? combo->currentText() : QString()};
    for (int i = 0; combo && i < combo->count(); ++i) texts << combo->itemText(i);
    return texts;
}

// The bytes of the file at `path`, named by its own bytes.
std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Presses Save in the save dialog shown. A question about replacing a file, if one
// follows, is recorded in `asked` and answered with `answer`; after No the dialog,
// still open, is cancelled.
void PressSave(QStringList& asked, QMessageBox::StandardButton answer) {
    auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    QVERIFY(d);
    auto* buttons = d->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    QVERIFY(buttons && buttons->button(QDialogButtonBox::Save));
    QTimer::singleShot(0, [&asked, answer, d] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        asked << box->text();
        if (answer == QMessageBox::No) QTimer::singleShot(0, d, &QDialog::reject);
        box->button(answer)->click();
    });
    buttons->button(QDialogButtonBox::Save)->click();
}

}  // namespace

class OpenSaveTest : public QObject {
    Q_OBJECT
private slots:
    // The layers a picture gives, and which files fail with which messages, are the
    // core's; here, what the window enables and shows, that the messages reach the user
    // in order, and that a failure leaves the window as it was.
    void OpeningEnablesTheCommandsAndAFailureChangesNothing() {
        Shell s;
        auto& [env, w] = s;
        QVERIFY(!w.OpenFile(WriteRaw(env, "notes.txt", "hello")));
        QCOMPARE(env.messages, QStringList{env.Path("notes.txt") + " open failed."});
        QVERIFY(!w.Doc().ImageLoaded);
        QVERIFY(!w.MenuItem_SaveAs->isEnabled());

        const Bitmap pic = Gradient(64, 48);
        const QString good = WriteBmp(env, "good.bmp", pic);
        env.messages.clear();
        QVERIFY(w.OpenFile(good));
        QVERIFY(env.messages.isEmpty());
        QVERIFY(w.Doc().ImageLoaded);
        QVERIFY(w.FrmTools->ToolButton(41)->isChecked());
        QCOMPARE(w.LastOpenedPath(), good);
        for (QAction* a : {w.MenuItem_SaveAs, w.MenuItem_Copy, w.MenuItem_Classic, w.MenuItem_Blur, w.MenuItem_ZoomIn,
                           w.MenuItem_ActualPixels, w.MenuItem_Canvas})
            QVERIFY2(a->isEnabled(), qPrintable(a->text()));
        QCOMPARE(w.StatusPanels[0]->text(), QStringLiteral("64 x 48"));

        QVERIFY(!w.OpenFile(WriteRaw(env, "bad.d2o", QByteArray(1500, 'x'))));
        QCOMPARE(env.messages.size(), 2);
        QVERIFY(env.messages[0].startsWith(env.Path("bad.d2o") + " is not a valid .d2o file."));
        QCOMPARE(env.messages[1], env.Path("bad.d2o") + " open failed.");
        QVERIFY(w.Doc().PhotoBmp.SamePixels(pic));
        QCOMPARE(w.LastOpenedPath(), good);
        QVERIFY(w.MenuItem_SaveAs->isEnabled());
    }

    // A name that is not valid UTF-8 (as the command line may give one) opens by its
    // bytes, and the title shows it as well as it can.
    void OpeningAFileWhoseNameIsNotUtf8() {
        Shell s;
        auto& [env, w] = s;
        const QByteArray file = QFile::encodeName(env.dir.path()) + "/pi\xE8" "ce.bmp";
        std::string error;
        QVERIFY(WriteBmpFile(file.toStdString(), Gradient(30, 20), error));
        const QString shown = QString::fromLocal8Bit(file);
        QVERIFY(!QFileInfo::exists(shown));
        QVERIFY(w.OpenFile(shown, file.toStdString()));
        QVERIFY(env.messages.isEmpty());
        QCOMPARE(w.Doc().PhotoBmp.Width(), 30);
        QVERIFY(w.windowTitle().startsWith(QStringLiteral("pi\uFFFDce.bmp[*]")));

        // Dropped from a file manager, which spells the bytes out in the file's address.
        const QByteArray second = QFile::encodeName(env.dir.path()) + "/s\xE9" "cond.bmp";
        QVERIFY(WriteBmpFile(second.toStdString(), Gradient(20, 10), error));
        QMimeData mime;
        mime.setUrls({QUrl::fromEncoded("file://" + second.toPercentEncoding("/"))});
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &enter);
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &drop);
        QCoreApplication::processEvents();
        QVERIFY2(env.messages.isEmpty(), qPrintable(env.messages.join(QLatin1Char('\n'))));
        QCOMPARE(w.Doc().PhotoBmp.Width(), 20);
    }

    // A name that is not valid UTF-8, of the file or of its folder, can be shown in the
    // dialogs only with replacement characters. Save as proposed still writes beside
    // the file that is open (over it, for a project), not a file or folder named after
    // those characters, also after undo and redo and on a second save.
    void SavingAFileWhoseNameIsNotUtf8_data() {
        QTest::addColumn<QByteArray>("folder");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("saved");
        const QByteArray latin1("pi\xE8" "ce.d2o");
        QTest::newRow("project") << QByteArray("work") << latin1 << latin1;
        QTest::newRow("its folder") << QByteArray("w\xF6rk") << QByteArray("beach.d2o") << QByteArray("beach.d2o");
        QTest::newRow("picture") << QByteArray("w\xF6rk") << QByteArray("beach.bmp")
                                 << QByteArray("beach_cartoon.BMP");
        QTest::newRow("picture's own name") << QByteArray("work") << QByteArray("pi\xE8" "ce.bmp")
                                            << QByteArray("pi\xE8" "ce_cartoon.BMP");
    }

    void SavingAFileWhoseNameIsNotUtf8() {
        QFETCH(QByteArray, folder);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, saved);
        Shell s;
        auto& [env, w] = s;
        const std::filesystem::path files = QFile::encodeName(env.dir.filePath(QStringLiteral("files"))).toStdString();
        const std::filesystem::path dir = files / folder.toStdString();
        std::filesystem::create_directories(dir);
        const std::string opened = (dir / name.toStdString()).string();
        const Bitmap b(20, 10);
        std::string error;
        if (name.endsWith(".d2o"))
            QCOMPARE(SaveD2O(opened, Gradient(20, 10), b, b, LayerState{}), 0);
        else
            QVERIFY(WriteBmpFile(opened, Gradient(20, 10), error));
        QVERIFY(w.OpenFile(QString::fromLocal8Bit(opened.c_str()), opened));
        const std::string target = (dir / saved.toStdString()).string();
        for (int value : {7, 9}) {
            Edit(w, value);
            if (value == 9) {
                w.MenuItem_UndoClick();
                w.MenuItem_RedoClick();
            }
            // The file really written is asked about when it exists (on the second save,
            // or from the start when it is the project opened), though the name the
            // dialog shows names no file.
            const bool exists = std::filesystem::exists(target);
            QStringList asked;
            QTimer::singleShot(0, [&asked] { PressSave(asked, QMessageBox::Yes); });
            QVERIFY(w.SaveCommand());
            QCOMPARE(asked.size(), exists ? 1 : 0);
            QVERIFY2(env.messages.isEmpty(), qPrintable(env.messages.join(QLatin1Char('\n'))));
            QVERIFY(!w.isWindowModified());
            std::set<std::string> written;
            for (const auto& entry : std::filesystem::recursive_directory_iterator(files))
                written.insert(entry.path().string());
            QCOMPARE(written, (std::set<std::string>{dir.string(), opened, target}));
            ProjectData project;
            if (saved.endsWith(".d2o")) {
                QCOMPARE(LoadD2O(target, project), 0);
                QCOMPARE(project.Sketch.Pixel(0, 0)[0], std::uint8_t(value));
            } else {
                QVERIFY(ReadBmpFile(target, project.Photo, error));
            }
        }
        // Answering No leaves the file as it was; the dialog stays open until cancelled.
        const std::string before = ReadAll(target);
        Edit(w, 11);
        QStringList asked;
        QTimer::singleShot(0, [&asked] { PressSave(asked, QMessageBox::No); });
        QVERIFY(!w.SaveCommand());
        QCOMPARE(asked.size(), 1);
        QVERIFY(ReadAll(target) == before);
    }

    void DialogsShowTheirFiltersAndProposals() {
        Shell s;
        auto& [env, w] = s;
        auto open = w.MakeOpenDialog();
        QVERIFY(open->testOption(QFileDialog::DontUseNativeDialog));
        const QString all = QStringLiteral("All Picture(*.jpg;*.jpeg;*.bmp;*.png;*.d2o)");
        QCOMPARE(ComboTexts(*open), (QStringList{all, all, "JPEG Image File (*.jpg)", "JPEG Image File (*.jpeg)",
                                                 "Bitmaps (*.bmp)", "PNG Image File (*.png)",
                                                 "Vozed Uv Idarave File(*.d2o)", "All File(*.*)"}));

        QVERIFY(w.OpenFile(WriteJpeg(env, "beach.jpg", Gradient(10, 10))));
        auto save = w.MakeSaveDialog(ProposeSaveName(w.LastOpenedPath().toStdString()));
        const QStringList types{"Bitmaps (*.bmp)", "JPEG Image File (*.jpg)", "Vozed Uv Idarave File(*.d2o)",
                                "PNG Image File (*.png)"};
        QCOMPARE(ComboTexts(*save), QStringList{types[0]} + types);
        auto* name = save->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        QCOMPARE(name->text(), QStringLiteral("beach_cartoon"));

        // A project brings its layer state, which the Layers window shows (the layers
        // and the composite are the core's); Save proposes its own name and the project filter.
        Bitmap b(20, 10);
        const LayerState state{.BlendingMode = 1, .Opacity = 40, .ColorDrawable = false};
        QCOMPARE(SaveD2O(env.Path("proj.d2o").toStdString(), Gradient(20, 10), b, b, state), 0);
        QVERIFY(w.OpenFile(env.Path("proj.d2o")));
        QCOMPARE(w.GetLayerState(), state);
        QVERIFY(w.FrmLayers->Trc_Opacity->isVisible());
        save = w.MakeSaveDialog(ProposeSaveName(w.LastOpenedPath().toStdString()));
        QCOMPARE(ComboTexts(*save), QStringList{types[2]} + types);
        QCOMPARE(save->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(), QStringLiteral("proj.d2o"));
    }

    // Saving by each filter is driven through the dialog in view_and_close_gui_test.
    void SavingWritesTheCompositeAndReportsWhatWasNotWritten() {
        Shell s;
        auto& [env, w] = s;
        // Larger than the view, which alone is composited when a picture opens.
        Bitmap picture = Gradient(1300, 1100);
        QVERIFY(w.OpenFile(WriteBmp(env, "s.bmp", picture)));
        // The whole composite is written, with the filter's extension added: the
        // picture multiplied over the white sketch layer.
        QVERIFY(w.SaveToFile(env.Path("result"), 1));
        Bitmap back;
        std::string error;
        QVERIFY(ReadBmpFile(env.Path("result.BMP").toStdString(), back, error));
        for (int y = 0; y < picture.Height(); ++y)
            for (int i = 0; i < 3 * picture.Width(); ++i) picture.Row(y)[i] = (picture.Row(y)[i] * 255) >> 8;
        QVERIFY(back.SamePixels(picture));
        QVERIFY(env.messages.isEmpty());

        // A file that is not written: the user learns why (every reason is the core's,
        // and reaches the user the same way).
        QVERIFY(!w.SaveToFile(env.Path("picture.tif"), 1));
        QVERIFY(!QFileInfo::exists(env.Path("picture.tif")));
        QCOMPARE(env.messages.size(), 1);
        QVERIFY2(env.messages[0].startsWith(env.Path("picture.tif") + " was not saved"), qPrintable(env.messages[0]));
    }
};

QTEST_MAIN(OpenSaveTest)
#include "open_save_gui_test.moc"
