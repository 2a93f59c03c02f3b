// What drawing one block of the random test costs, and making or checking
// the stamped blocks of the tests that change files.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/CDVXRandomThread.h"
#include "engine/StampedBlock.h"

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

// Sixteen blocks, a call's worth, as the tests write them.
void BM_FillStampedBlocks(benchmark::State& state) {
    constexpr uint32_t kBlocks = 16;
    std::vector<unsigned char> piece(kBlocks * StampedBlock::kSize);
    BlockStamp stamp{1, 2, 3, 0, 1};
    for (auto _ : state) {
        for (uint32_t i = 0; i < kBlocks; ++i) {
            stamp.offset = i * StampedBlock::kSize;
            StampedBlock::Fill(stamp, piece.data() + stamp.offset);
        }
        benchmark::DoNotOptimize(piece.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * piece.size());
}
BENCHMARK(BM_FillStampedBlocks)->Unit(benchmark::kMicrosecond);

// Checking a block read back, where it lies.
void BM_CheckStampedBlock(benchmark::State& state) {
    const BlockStamp stamp{1, 2, 3, 4096, 1};
    std::vector<unsigned char> read(StampedBlock::kSize);
    StampedBlock::Fill(stamp, read.data());
    for (auto _ : state) benchmark::DoNotOptimize(StampedBlock::Holds(stamp, read.data()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * read.size());
}
BENCHMARK(BM_CheckStampedBlock)->Unit(benchmark::kMicrosecond);

}  // namespace
