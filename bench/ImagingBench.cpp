// Image library benchmarks on a 2448 x 3636 24-bit photo-like page (a 300
// dpi print), one thread, each operation as the page pipeline calls it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "imaging/QlxImgLib.h"
#include "imaging/QlxImgLib_Vector.h"

namespace {

constexpr int kWidth = 2448;
constexpr int kHeight = 3636;
constexpr int kStride = ((kWidth * 24 + 31) / 32) * 4;

// Smooth shading, a few hard-edged shapes and fine sensor-like noise: the
// mix of flat areas, gradients and edges a photo has.
const std::vector<unsigned char>& PhotoPage() {
  static const std::vector<unsigned char> page = [] {
    std::vector<unsigned char> bytes(static_cast<size_t>(kStride) * kHeight);
    std::mt19937 random(2448);
    std::normal_distribution<double> noise(0.0, 3.0);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const double u = x / double(kWidth), v = y / double(kHeight);
        double c[3] = {120 + 90 * std::sin(3.1 * u + 1.7 * v), 110 + 80 * std::cos(2.3 * v - 1.1 * u),
                       100 + 70 * std::sin(5.0 * u * v + 0.4)};
        const double dx = u - 0.6, dy = v - 0.4;
        if (dx * dx + dy * dy < 0.04) {  // a bright disc
          c[0] = 230 - 60 * v;
          c[1] = 180;
          c[2] = 60 + 40 * u;
        }
        if (((x / 160) + (y / 240)) % 7 == 0) {  // darker patches
          for (double& k : c) k *= 0.45;
        }
        for (int k = 0; k < 3; ++k) {
          const double value = c[k] + noise(random);
          bytes[static_cast<size_t>(y) * kStride + x * 3 + k] =
              static_cast<unsigned char>(value < 0 ? 0 : value > 255 ? 255 : value);
        }
      }
    }
    return bytes;
  }();
  return page;
}

// A bitmap over `pixels` (caller memory, ColorOrder 1 as in the pipeline).
void Wrap(BITMAPHANDLE& bitmap, std::vector<unsigned char>& pixels) {
  std::memset(&bitmap, 0, sizeof bitmap);
  IL_CreateBitmap(&bitmap, IL_RECORD_SIZE, IL_MEMORY_CALLER, kWidth, kHeight, 24, 2, nullptr, IL_ROWORDER_BOTTOMUP,
                  pixels.data(), pixels.size());
}

void BM_SizeBitmap(benchmark::State& state) {
  const int newWidth = static_cast<int>(state.range(0));
  const int newHeight = static_cast<int>(state.range(1));
  std::vector<unsigned char> pixels = PhotoPage();
  unsigned long long extra = 0;
  for (auto _ : state) {
    BITMAPHANDLE bitmap;
    Wrap(bitmap, pixels);
    QlxMemResetPeak();
    const unsigned long long before = QlxMemPeakBytes();
    if (IL_SizeBitmap(&bitmap, newWidth, newHeight, IL_SIZE_CUBIC) != IL_OK) state.SkipWithError("resize failed");
    extra = QlxMemPeakBytes() - before - bitmap.Size;
    state.PauseTiming();
    IL_FreeBitmap(&bitmap);
    state.ResumeTiming();
  }
  state.counters["work_KiB"] = static_cast<double>(extra) / 1024.0;  // peak beyond the output block
  state.counters["source_row_KiB"] = kStride / 1024.0;
}
BENCHMARK(BM_SizeBitmap)->Args({2234, 3318})->Args({1224, 3636})->Unit(benchmark::kMillisecond);

// Times `operation` on a fresh copy of the page each iteration; the copy
// is made outside the timed part.
template <typename Operation>
void RunInPlace(benchmark::State& state, const char* failure, Operation operation) {
  const std::vector<unsigned char>& page = PhotoPage();
  std::vector<unsigned char> pixels = page;
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(pixels.data(), page.data(), page.size());
    BITMAPHANDLE bitmap;
    Wrap(bitmap, pixels);
    state.ResumeTiming();
    if (operation(&bitmap) != IL_OK) state.SkipWithError(failure);
  }
}

void BM_SharpenBitmap(benchmark::State& state) {
  const int change = static_cast<int>(state.range(0));
  RunInPlace(state, "sharpen failed", [change](BITMAPHANDLE* b) { return IL_SharpenBitmap(b, change); });
}
BENCHMARK(BM_SharpenBitmap)->Arg(500)->Unit(benchmark::kMillisecond);

void BM_ChangeBitmapSaturation(benchmark::State& state) {
  const int change = static_cast<int>(state.range(0));
  RunInPlace(state, "saturation failed",
             [change](BITMAPHANDLE* b) { return IL_ChangeBitmapSaturation(b, change); });
}
BENCHMARK(BM_ChangeBitmapSaturation)->Arg(300)->Unit(benchmark::kMillisecond);

// Separation, gamma, intensity and contrast on each of the three planes, and
// the merge, as the pipeline runs its tone settings; planes and result are
// released inside the timed loop.
void BM_SeparateToneMerge(benchmark::State& state) {
  std::vector<unsigned char> pixels = PhotoPage();
  for (auto _ : state) {
    BITMAPHANDLE source, result, plane[3];
    Wrap(source, pixels);
    std::memset(&result, 0, sizeof result);
    std::memset(plane, 0, sizeof plane);
    BITMAPHANDLE* planes[3] = {&plane[0], &plane[1], &plane[2]};
    int status = IL_ColorSeparateBitmap(&source, planes, IL_RECORD_SIZE, 0);
    for (int k = 0; k < 3; ++k) {
      IL_GammaCorrectBitmap(planes[k], 120 + 10 * k);
      IL_ChangeBitmapIntensity(planes[k], 50);
      IL_ChangeBitmapContrast(planes[k], -80);
    }
    if (status == IL_OK) status = IL_ColorMergeBitmap(&result, planes, IL_RECORD_SIZE, 0);
    if (status != IL_OK) state.SkipWithError("separation or merge failed");
    benchmark::DoNotOptimize(result.Data);
    IL_FreeBitmap(&result);
    for (auto& p : plane) IL_FreeBitmap(&p);
  }
}
BENCHMARK(BM_SeparateToneMerge)->Unit(benchmark::kMillisecond);

}  // namespace

// KV71P_BENCH_VECTOR_LEVEL=0|1|2 limits the pixel loops to plain loops,
// SSE2 or AVX2 on x86, and =0|1 to plain loops or NEON on 64-bit ARM
// (default: the best the processor offers).
int main(int argc, char** argv) {
  if (const char* level = std::getenv("KV71P_BENCH_VECTOR_LEVEL")) qlx::SelectVectorLevel(std::atoi(level));
  benchmark::AddCustomContext("vector_level", qlx::VectorLevelName(qlx::ActiveVectorLevel()));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
