// The painting tools as the user meets them: mouse events through the real main
// window on a 12 megapixel picture, offscreen, each event followed by the repaint it
// asked for. Reports one brush stamp of size 100 with its recomposite and repaint, a
// stroke of size 20 in events per second, a paint-bucket fill of the whole picture, and
// one move of a pending text box whose memo holds a single line of a million characters.
//
//   QT_QPA_PLATFORM=offscreen ./build/bin/tools_view_bench

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "app/gui/MainWindow.h"
#include "common/gui/Messages.h"
#include "io/Bmp.h"
#include "tools/ToolIds.h"
#include "tools/gui/ToolOptionWindow.h"
#include "tools/gui/ToolsWindow.h"
#include "view/gui/CanvasView.h"

#include <QAbstractButton>
#include <QPlainTextEdit>
#include <QSlider>

using namespace velmora;

namespace {

TFrmMain* g_window = nullptr;

void Send(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held) {
    QWidget* view = g_window->PaintBox1;
    QMouseEvent e(type, QPointF(p), view->mapToGlobal(QPointF(p)), button, held, Qt::NoModifier);
    QApplication::sendEvent(view, &e);
    // The repaint the event asked for happens here, as the event loop would do it.
    QApplication::processEvents();
}

void Choose(int toolId) { g_window->FrmTools->ToolButton(toolId)->click(); }

void BM_BrushStamp100(benchmark::State& state) {
    Choose(ToolBrush);
    g_window->FrmToolOption->TrcBrushSize->setValue(100);
    Send(QEvent::MouseButtonPress, QPoint(100, 200), Qt::LeftButton, Qt::LeftButton);
    int x = 100;
    for (auto _ : state) {
        // A step of one pixel is shorter than the stamp step: one stamp per event.
        Send(QEvent::MouseMove, QPoint(++x, 200), Qt::NoButton, Qt::LeftButton);
        if (x > 600) x = 100;
    }
    Send(QEvent::MouseButtonRelease, QPoint(x, 200), Qt::LeftButton, Qt::NoButton);
}
BENCHMARK(BM_BrushStamp100)->Unit(benchmark::kMicrosecond)->Iterations(400);

void BM_BrushStroke20(benchmark::State& state) {
    Choose(ToolBrush);
    g_window->FrmToolOption->TrcBrushSize->setValue(20);
    for (auto _ : state) {
        Send(QEvent::MouseButtonPress, QPoint(50, 100), Qt::LeftButton, Qt::LeftButton);
        // 500 events along a zigzag, 3 pixels apart as a quick hand gives them.
        for (int i = 0; i < 500; ++i)
            Send(QEvent::MouseMove, QPoint(50 + (i % 150) * 3, 100 + (i / 150) * 20), Qt::NoButton, Qt::LeftButton);
        state.PauseTiming();
        Send(QEvent::MouseButtonRelease, QPoint(50, 100), Qt::LeftButton, Qt::NoButton);
        state.ResumeTiming();
    }
    state.counters["events/s"] = benchmark::Counter(500.0 * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BrushStroke20)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_BucketWholePicture(benchmark::State& state) {
    Choose(ToolPaintBucket);
    g_window->FrmToolOption->TrcTolerance->setValue(0);
    std::uint32_t color = 1;
    for (auto _ : state) {
        // Each fill paints a new color over the uniform picture, so it covers it all.
        g_window->FrmTools->SetFrontColor(color++);
        Send(QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
        state.PauseTiming();
        // The release records a history state (a snapshot file): not part of the click.
        Send(QEvent::MouseButtonRelease, QPoint(10, 10), Qt::LeftButton, Qt::NoButton);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BucketWholePicture)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_TextBoxLongLine(benchmark::State& state) {
    Choose(ToolText);
    // A line pasted or typed by holding a key: only the first few dozen characters show.
    g_window->FrmToolOption->MemTextText->setPlainText(QString(1000000, QLatin1Char('m')));
    // Placed with its corner at (100, 200), then grabbed inside to be moved.
    Send(QEvent::MouseMove, QPoint(100, 200), Qt::NoButton, Qt::NoButton);
    Send(QEvent::MouseButtonPress, QPoint(100, 200), Qt::LeftButton, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease, QPoint(100, 200), Qt::LeftButton, Qt::NoButton);
    Send(QEvent::MouseMove, QPoint(150, 220), Qt::NoButton, Qt::NoButton);
    Send(QEvent::MouseButtonPress, QPoint(150, 220), Qt::LeftButton, Qt::LeftButton);
    int x = 150;
    for (auto _ : state) {
        // Each step moves the box one pixel: one redraw of the box and its text.
        Send(QEvent::MouseMove, QPoint(++x, 220), Qt::NoButton, Qt::LeftButton);
    }
    Send(QEvent::MouseButtonRelease, QPoint(x, 220), Qt::LeftButton, Qt::NoButton);
    // Committed, so that the next benchmark starts without a pending edit.
    Choose(ToolBrush);
    g_window->FrmToolOption->MemTextText->clear();
}
BENCHMARK(BM_TextBoxLongLine)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    QApplication app(argc, argv);
    QTemporaryDir folder;
    SetMessageHook([](const QString&, const QString&, bool) { return true; });

    Bitmap picture(4000, 3000);
    picture.Fill(200, 200, 200);
    std::string error;
    const std::string path = folder.filePath("picture.bmp").toStdString();
    if (!WriteBmpFile(path, picture, error)) return 1;
    TFrmMain window(folder.path().toStdString());
    g_window = &window;
    window.resize(1200, 900);
    window.show();
    if (!window.OpenFile(QString::fromStdString(path))) return 1;
    QApplication::processEvents();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_window = nullptr;
    return 0;
}
