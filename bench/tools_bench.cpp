// Timings of the painting tools' pixel work on a 12 megapixel (4000 x 3000) layer:
// one brush stamp and one tone stamp of size 100, the stamp positions of a long brush
// move, and a paint-bucket fill that covers the whole picture. Stamps should cost
// microseconds, since they touch only their own box; the fill has to stay well within
// what a click may take.
//
//   ./build/bin/tools_bench --benchmark_repetitions=3

#include <benchmark/benchmark.h>

#include "common/Bitmap.h"
#include "tools/Brush.h"
#include "tools/FloodFill.h"
#include "tools/ToneTable.h"

using namespace velmora;

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

Bitmap Layer(std::uint8_t value) {
    Bitmap b(kWidth, kHeight);
    b.Fill(value, value, value);
    return b;
}

Bitmap FlatMask(int s, std::uint8_t value) {
    Bitmap m(s, s);
    m.Fill(value, value, value);
    return m;
}

void BM_StampBrush100(benchmark::State& state) {
    Bitmap layer = Layer(200);
    const Bitmap mask = FlatMask(100, 100);
    int x = 0;
    for (auto _ : state) {
        // Walk across the picture so the stamp does not stay in one warm cache area.
        StampBrush(layer, mask, x, 1450, 0x204080u, 6);
        x = (x + 37) % (kWidth - 100);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StampBrush100)->Unit(benchmark::kMicrosecond);

void BM_StampTone100(benchmark::State& state) {
    Bitmap layer = Layer(150);
    const Bitmap source = layer;
    const Bitmap mask = FlatMask(100, 255);
    const ToneTable table = BuildToneTable(128);
    int x = 0;
    for (auto _ : state) {
        StampTone(layer, source, mask, x, 1450, table);
        x = (x + 37) % (kWidth - 100);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StampTone100)->Unit(benchmark::kMicrosecond);

void BM_BrushStepsAcross(benchmark::State& state) {
    for (auto _ : state) {
        // A fast diagonal sweep over the whole picture with the default brush size.
        std::vector<Point> steps = BrushSteps(0, 0, kWidth - 1, kHeight - 1, 20);
        benchmark::DoNotOptimize(steps.data());
    }
}
BENCHMARK(BM_BrushStepsAcross)->Unit(benchmark::kMicrosecond);

void BM_FloodFillWholePicture(benchmark::State& state) {
    const Bitmap composite = Layer(128);
    Bitmap sketch = Layer(255), color = Layer(90);
    for (auto _ : state) {
        // From the center, as a user clicks; both layers drawable.
        const bool done = FloodFill(composite, &sketch, &color, kWidth / 2, kHeight / 2, 32, 0x0000FFu);
        benchmark::DoNotOptimize(done);
        benchmark::ClobberMemory();
    }
    state.counters["Mpixel/s"] = benchmark::Counter(static_cast<double>(kWidth) * kHeight / 1e6 * state.iterations(),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FloodFillWholePicture)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_FloodFillWholePictureFromCorner(benchmark::State& state) {
    const Bitmap composite = Layer(128);
    Bitmap color = Layer(90);
    for (auto _ : state) {
        const bool done = FloodFill(composite, nullptr, &color, 0, 0, 0, 0x0000FFu);
        benchmark::DoNotOptimize(done);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FloodFillWholePictureFromCorner)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
