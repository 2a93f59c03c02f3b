// What drawing one block of the random test costs.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/CDVXRandomThread.h"

namespace {

void BM_FillRandomBlock(benchmark::State& state) {
    std::vector<unsigned char> block(CDVXRandomThread::kBlockSize);
    for (auto _ : state) {
        CDVXRandomThread::FillRandom(block.data(), CDVXRandomThread::kBlockSize);
        benchmark::DoNotOptimize(block.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * block.size());
}
BENCHMARK(BM_FillRandomBlock)->Unit(benchmark::kMicrosecond);

}  // namespace
