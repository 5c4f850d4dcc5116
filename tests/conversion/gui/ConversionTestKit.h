#pragma once
// Shared pieces of the conversion dialog's tests: pictures, a program folder of
// their own, captured messages, and driving the modal dialogs it opens from a timer.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/Bitmap.h"
#include "common/gui/Messages.h"
#include "conversion/ParamControls.h"
#include "conversion/Preset.h"
#include "conversion/gui/MoreOptions.h"
#include "conversion/gui/PaintBox.h"
#include "conversion/gui/PreviewDialog.h"
#include "conversion/gui/RadioGroup.h"
#include "engine/DrawEffect.h"
#include "io/Jpeg.h"
#include "support/FakeHost.h"
#include "support/Images.h"

namespace velmora::test {

// A picture with smooth gradients, hard edges and dark areas, so that every stage
// of the effect has something to work on.
inline Bitmap TestPicture(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = b.Pixel(x, y);
            const bool disc = (x - w / 3) * (x - w / 3) + (y - h / 2) * (y - h / 2) < (h / 4) * (h / 4);
            const bool bar = (x / 37) % 3 == 0 && y > h / 2;
            p[0] = static_cast<std::uint8_t>(disc ? 30 : (x * 255) / std::max(1, w - 1));
            p[1] = static_cast<std::uint8_t>(bar ? 20 : (y * 255) / std::max(1, h - 1));
            p[2] = static_cast<std::uint8_t>(disc ? 220 : ((x + y) * 7) % 256);
        }
    return b;
}

// The engine's own preview of a record, for comparison with what a pane shows.
inline Bitmap EnginePreview(const TEffectParams& p) {
    TDrawEffect engine;
    engine.SetParams(p);
    engine.Execute();
    Bitmap out;
    engine.ComposePreview(out);
    return out;
}

// Whether the preview pane shows exactly `expected`, from its (left, top) corner.
inline bool PaneShows(TFrmPreview& dlg, const Bitmap& expected, int left = 0, int top = 0, QString* why = nullptr) {
    const QImage& canvas = dlg.PaintBox1->Canvas();
    const int w = std::min(canvas.width(), expected.Width() - left);
    const int h = std::min(canvas.height(), expected.Height() - top);
    if (w <= 0 || h <= 0) return false;
    for (int y = 0; y < h; ++y)
        if (std::memcmp(canvas.constScanLine(y), expected.Pixel(left, top + y), std::size_t(w) * 3) != 0) {
            if (why) *why = QStringLiteral("row %1 differs").arg(y);
            return false;
        }
    return true;
}

// The control defaults with both layers drawn, as the shipped default preset holds.
inline TEffectParams ColorDefaults() {
    TEffectParams p = ControlDefaultRecord();
    p.DrawColor = true;
    return p;
}

// A program folder of its own with the shipped presets copied in.
struct ProgramFolder {
    QTemporaryDir dir;
    ProgramFolder() {
        for (const char* name : {"default.set", "cartoon.set", "sketch.set", "linedrawing.set", "canvas.set"}) {
            const QString from = QStringLiteral(VELMORA_PROGRAM_DIR "/") + QLatin1String(name);
            if (QFile::exists(from)) QFile::copy(from, Path(name));
        }
    }
    QString Path(const char* name) const { return QDir(dir.path()).filePath(QLatin1String(name)); }
    std::string Folder() const { return dir.path().toStdString(); }
};

inline void WritePreset(const QString& path, const TEffectParams& p) {
    std::string error;
    if (!WritePresetFile(path.toStdString(), p, error)) qFatal("%s", error.c_str());
}

// The record without the run-time fields at its start, which every run overwrites.
inline std::vector<std::uint8_t> Tail(const TEffectParams& p) {
    const EffectParamsBytes b = p.ToBytes();
    return {b.begin() + 20, b.end()};
}

inline TEffectParams ReadPreset(const QString& path) {
    TEffectParams p;
    std::string error;
    if (!ReadPresetFile(path.toStdString(), p, error)) qFatal("%s", error.c_str());
    return p;
}

// A window-less host over its own program folder, whose default preset is
// ColorDefaults() unless the shipped one is asked for.
struct DialogRig {
    ProgramFolder folder;
    FakeHost host;
    explicit DialogRig(bool shippedDefault = false) {
        host.folder = folder.Folder();
        if (!shippedDefault) WritePreset(folder.Path("default.set"), ColorDefaults());
    }
    std::unique_ptr<TFrmPreview> Create() { return std::make_unique<TFrmPreview>(host); }
    static void Show(TFrmPreview& dlg) {
        dlg.show();
        if (!QTest::qWaitForWindowExposed(&dlg)) qWarning("the conversion dialog was not exposed");
    }
    // Opens `picture` in the host and shows a conversion dialog over it.
    std::unique_ptr<TFrmPreview> Open(const Bitmap& picture) {
        host.OpenPicture(picture);
        auto dlg = Create();
        Show(*dlg);
        return dlg;
    }
};

// Captures every message box; confirmations get `answer`.
struct MessageCapture {
    struct Message {
        QString caption, text;
        bool confirmation;
    };
    std::vector<Message> messages;
    bool answer = true;
    MessageCapture() {
        SetMessageHook([this](const QString& caption, const QString& text, bool confirmation) {
            messages.push_back({caption, text, confirmation});
            return answer;
        });
    }
    ~MessageCapture() { SetMessageHook(nullptr); }
};

// The host's layers and layer state, to show a failed or cancelled command left them.
struct Snapshot {
    Bitmap photo, sketch, color, composite;
    LayerState state;
    explicit Snapshot(const FakeHost& h)
        : photo(h.doc.PhotoBmp), sketch(h.doc.SketchBmp), color(h.doc.ColorBmp), composite(h.doc.CompositeBmp),
          state(h.state) {}
    bool SameAs(const FakeHost& h) const {
        return photo == h.doc.PhotoBmp && sketch == h.doc.SketchBmp && color == h.doc.ColorBmp &&
               composite == h.doc.CompositeBmp && state == h.state;
    }
};

// Runs `action` on the next modal T to come up, polling from a timer since the modal
// call does not return; on a timeout the open modal dialog is closed so the test fails
// rather than hangs.
template <typename T>
void WhenModal(std::function<void(T*)> action, int timeoutMs = 60000) {
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action, clock, timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* w = qobject_cast<T*>(modal); w && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(w);
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            qWarning("the expected %s did not come up", T::staticMetaObject.className());
            if (auto* d = qobject_cast<QDialog*>(modal)) d->reject();
        }
    });
    timer->start();
}

// Picks `file` in the next (non-native) file dialog.
inline void ChooseFileInNextDialog(const QString& file) {
    WhenModal<QFileDialog>([file](QFileDialog* d) {
        // selectFile leaves the name field alone while it has the focus, so the
        // folder and the name are set directly.
        const QFileInfo info(file);
        d->setDirectory(info.absolutePath());
        if (auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            edit->setText(info.fileName());
        else
            d->selectFile(file);
        QMetaObject::invokeMethod(d, "accept", Qt::DirectConnection);
        if (d->isVisible()) {
            qWarning("the file dialog did not take %s", qPrintable(file));
            d->reject();
        }
    });
}

}  // namespace velmora::test
