#include "engine/CDVXCrossCheckThread.h"

#include <algorithm>

#include "platform/Clock.h"
#include "platform/FileApi.h"
#include "platform/SystemError.h"
#include "support/PathText.h"

using platform::FileApi;

Chaine CDVXCrossCheckThread::Path(std::string_view name) const {
    return PathText::Join(directory, name);
}

void CDVXCrossCheckThread::NameFile(std::string_view name) {
    RecordGuard guard(record);
    if (slot < 0) slot = record->ClaimFileSlot();
    if (slot >= 0) record->SetFileName(slot, Path(name));
}

void CDVXCrossCheckThread::Done() {
    RecordGuard guard(record);
    if (slot < 0) return;
    record->SetFileName(slot, Chaine());
    record->ReleaseFileSlot(slot);
    slot = -1;
}

bool CDVXCrossCheckThread::Fails(int32_t op, uint32_t position) {
    RecordGuard guard(record);
    record->RecordSystemError(platform::LastError::Get(), op, position,
                              platform::LastError::GetErrno());
    return false;
}

bool CDVXCrossCheckThread::Make(std::string_view name, const void* bytes, uint32_t n) {
    const Chaine path = Path(name);
    platform::FileId id;
    const platform::FileHandle h = Watched(CDVXThreadData::kCreateFile, name, 0,
                                           [&] { return FileApi::CreateNew(path.View(), &id); });
    if (h == platform::kNullHandle) return Fails(CDVXThreadData::kCreateFile);
    uint32_t written = 0;
    const bool wrote = Watched(CDVXThreadData::kWriteFile, name, 0,
                               [&] { return FileApi::Write(h, bytes, n, &written); });
    record->AddBytesWritten(CDVXThreadData::Slot(false), written);
    if (!wrote) Fails(CDVXThreadData::kWriteFile, written);
    // A plain close, as any program's: what the client does with the file
    // from here on is what the other side finds out.
    const bool closed =
        Watched(CDVXThreadData::kCloseHandle, name, n, [&] { return FileApi::Close(h, false); });
    if (wrote && !closed) Fails(CDVXThreadData::kCloseHandle, n);
    if (wrote && closed) return true;
    Remove(name);  // half made: of no use to the other side
    return false;
}

bool CDVXCrossCheckThread::ReadAll(platform::FileHandle h, std::string_view name, void* into,
                                   uint32_t capacity, uint32_t* got) {
    auto* bytes = static_cast<unsigned char*>(into);
    *got = 0;
    for (uint32_t n = 0; *got < capacity; *got += n) {
        if (!Watched(CDVXThreadData::kReadFile, name, *got,
                     [&] { return FileApi::Read(h, bytes + *got, capacity - *got, &n); })) {
            return Fails(CDVXThreadData::kReadFile, *got);
        }
        if (n == 0) break;
    }
    return true;
}

bool CDVXCrossCheckThread::Exists(std::string_view name) {
    const Chaine path = Path(name);
    uint64_t size = 0;
    const platform::FileHandle h = Watched(CDVXThreadData::kGetFileAttributes, name, 0,
                                           [&] { return FileApi::OpenToRead(path.View(), &size); });
    if (h == platform::kNullHandle) return false;
    FileApi::Close(h, false);
    return true;
}

bool CDVXCrossCheckThread::Remove(std::string_view name) {
    const Chaine path = Path(name);
    if (Watched(CDVXThreadData::kDeleteFile, name, 0,
                [&] { return FileApi::Delete(path.View()); })) {
        return true;
    }
    Fails(CDVXThreadData::kDeleteFile);
    RecordGuard guard(record);
    record->leftFiles.push_back(path);
    return false;
}

void CDVXCrossCheckThread::Pause(uint32_t ms) {
    for (uint32_t slept = 0; slept < ms && !IsStopRequested(); slept += kPollMs) {
        platform::Clock::Sleep(std::min(kPollMs, ms - slept));
    }
}
