#include "engine/CDVXStampedFile.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

#include "engine/Damage.h"
#include "platform/Clock.h"

namespace {

constexpr uint32_t kBlock = StampedBlock::kSize;
// The bytes of one call: sixteen blocks.
constexpr uint32_t kPiece = 16 * kBlock;

std::atomic<uint32_t> g_nextSerial{1};

uint32_t BlocksFor(uint32_t bytes) { return (bytes + kBlock - 1) / kBlock; }

}  // namespace

CDVXStampedFile::CDVXStampedFile(const Chaine& directory, CDVXThreadData* record, bool buffered,
                                 const Chaine& prefix, uint32_t shortReadWaitMs)
    : CDVXFile(directory, record, buffered, prefix, shortReadWaitMs),
      serial(g_nextSerial.fetch_add(1, std::memory_order_relaxed)) {}

CDVXStampedFile::CDVXStampedFile(const KeptFile& kept, const Chaine& directory,
                                 CDVXThreadData* record, uint32_t shortReadWaitMs)
    : CDVXFile(directory, record, false, Chaine(), shortReadWaitMs),
      runId(kept.runId),
      clientId(kept.clientId),
      serial(kept.serial),
      size(kept.size) {
    for (const KeptFile::Blocks& run : kept.blocks) {
        blocks.insert(blocks.end(), run.count, {run.generation, run.stamped});
    }
    SetNameToCheck(kept.name);
}

KeptFile CDVXStampedFile::Kept() {
    const std::string_view path = GetName().View();
    KeptFile kept{.name = std::string(path.substr(path.rfind('/') + 1)),
                  .size = size,
                  .runId = runId,
                  .clientId = clientId,
                  .serial = serial,
                  .blocks = {}};
    for (const Block& b : blocks) {
        if (!kept.blocks.empty() && kept.blocks.back().generation == b.generation &&
            kept.blocks.back().stamped == b.stamped) {
            ++kept.blocks.back().count;
        } else {
            kept.blocks.push_back({b.generation, b.stamped, 1});
        }
    }
    return kept;
}

BlockStamp CDVXStampedFile::StampOf(uint32_t index) const {
    return {runId, clientId, serial, uint64_t{index} * kBlock, blocks[index].generation};
}

void CDVXStampedFile::Expected(uint32_t position, uint32_t length, unsigned char* out) const {
    unsigned char block[kBlock];
    for (uint32_t done = 0; done < length;) {
        const uint32_t at = position + done;
        const uint32_t index = at / kBlock, within = at % kBlock;
        const uint32_t n = std::min(kBlock - within, length - done);
        const Block& b = blocks[index];
        if (within == 0 && n == kBlock && b.stamped == kBlock) {
            StampedBlock::Fill(StampOf(index), out + done);
        } else {
            std::memset(block, 0, kBlock);
            if (b.generation != 0) StampedBlock::Fill(StampOf(index), block, b.stamped);
            std::memcpy(out + done, block + within, n);
        }
        done += n;
    }
}

bool CDVXStampedFile::WriteFrom(uint32_t offset, uint32_t length) {
    const uint32_t end = offset + length;
    if (end > size) {
        blocks.resize(BlocksFor(end));
        size = end;
    }
    // Every write has its own number, so that no block written again, even
    // after the file was emptied or cut, has the bytes it had before.
    ++writes;
    for (uint32_t index = offset / kBlock; index < BlocksFor(end); ++index) {
        blocks[index] = {writes, std::min(kBlock, end - index * kBlock)};
    }
    const auto piece = std::make_unique_for_overwrite<unsigned char[]>(kPiece);
    for (uint32_t done = 0; done < length;) {
        if (record->MustAbort()) return true;  // an abort is not a failure
        const uint32_t n = std::min(kPiece, length - done);
        Expected(offset + done, n, piece.get());
        filePos = offset + done;
        if (!Write(piece.get(), n)) return false;
        done += n;
    }
    filePos = end;
    return true;
}

bool CDVXStampedFile::WriteAt(uint32_t offset, uint32_t length) {
    // A write that would leave a block half new, half old, ends at its block.
    if (offset + length < size && (offset + length) % kBlock != 0) {
        length = std::min(size - offset, (offset + length + kBlock - 1) / kBlock * kBlock - offset);
    }
    filePos = offset;
    return SeekTo(offset) && WriteFrom(offset, length);
}

bool CDVXStampedFile::Append(uint32_t length) { return WriteFrom(size, length); }

bool CDVXStampedFile::ResizeTo(uint32_t newSize) {
    filePos = newSize;
    if (!Resize(newSize)) return false;
    if (newSize < size) {
        blocks.resize(BlocksFor(newSize));
        if (newSize % kBlock != 0) {
            Block& last = blocks.back();
            last.stamped = std::min(last.stamped, newSize % kBlock);
        }
    } else {
        blocks.resize(BlocksFor(newSize));
    }
    size = newSize;
    return true;
}

void CDVXStampedFile::Emptied() {
    blocks.clear();
    size = 0;
}

bool CDVXStampedFile::IsRight(uint32_t position, const unsigned char* read, uint32_t got) const {
    unsigned char due[kBlock];
    for (uint32_t at = 0; at < got;) {
        const uint32_t index = (position + at) / kBlock, within = (position + at) % kBlock;
        const uint32_t n = std::min(kBlock - within, got - at);
        const Block& b = blocks[index];
        // A whole stamped block is checked where it lies; any other against the bytes due.
        if (within == 0 && n == kBlock && b.generation != 0 && b.stamped == kBlock) {
            if (!StampedBlock::Holds(StampOf(index), read + at)) return false;
        } else {
            Expected(position + at, n, due);
            if (std::memcmp(due, read + at, n) != 0) return false;
        }
        at += n;
    }
    return true;
}

bool CDVXStampedFile::CheckPiece(uint32_t position, const unsigned char* read, uint32_t got) {
    if (IsRight(position, read, got)) return true;
    const auto expected = std::make_unique_for_overwrite<unsigned char[]>(kPiece);
    Expected(position, got, expected.get());
    uint32_t at = 0;
    while (at + 1 < got && expected[at] == read[at]) ++at;
    // The block of the first difference, from its start.
    const uint32_t from = at / kBlock * kBlock;
    const uint32_t length = std::min(kBlock, got - from);
    const BlockStamp stamp = StampOf((position + from) / kBlock);
    const Damage damage = Damage::InBlock(stamp, expected.get() + from, read + from, length);
    ReportMismatch(expected.get(), read, got, position, damage);
    return false;
}

bool CDVXStampedFile::CheckEnd() {
    const auto piece = std::make_unique_for_overwrite<unsigned char[]>(kPiece);
    uint32_t got = 0;
    if (!Read(piece.get(), kPiece, &got)) return false;
    if (got == 0) return true;
    // The first bytes past the end, as the report shows them.
    unsigned char head[10];
    const uint32_t shown = std::min<uint32_t>(got, sizeof head);
    std::memcpy(head, piece.get(), shown);
    uint64_t extra = got;
    // How much more there is, within reason.
    while (got > 0 && extra < uint64_t{size} + kPiece && !record->MustAbort()) {
        if (!Read(piece.get(), kPiece, &got)) return false;
        extra += got;
    }
    RecordGuard guard(record);
    record->RecordMismatch(nullptr, 0, head, shown, size,
                           {.kind = Damage::kEndExtra, .count = extra});
    return false;
}

bool CDVXStampedFile::Verify() {
    const auto piece = std::make_unique_for_overwrite<unsigned char[]>(kPiece);
    filePos = 0;
    for (uint32_t position = 0; position < size;) {
        if (record->MustAbort()) return true;
        const uint32_t want = std::min(kPiece, size - position);
        uint32_t got = 0;
        if (!Read(piece.get(), want, &got)) return false;
        if (got < want) platform::Clock::Sleep(shortReadWaitMs);
        if (!CheckPiece(position, piece.get(), got)) return false;
        if (got < want) {
            RecordGuard guard(record);
            record->RecordDataError(Chaine(), Chaine(), position + got,
                                    {.kind = Damage::kEndMissing, .count = size - position - got});
            return false;
        }
        position += got;
        filePos = position;
    }
    return CheckEnd();
}
