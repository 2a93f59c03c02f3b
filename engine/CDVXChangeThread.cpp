#include "engine/CDVXChangeThread.h"

#include <utility>

#include "platform/FileApi.h"
#include "platform/SystemError.h"
#include "support/PathText.h"

using platform::LastError;

CDVXChangeThread::CDVXChangeThread(bool buffered, bool keepFiles, unsigned id,
                                   const char* filePrefix)
    : CDVXThread(buffered), keep(keepFiles), nameId(id), prefix(filePrefix) {}

Chaine CDVXChangeThread::GetTestName() { return Chaine(Chaine::ResourceId(nameId)); }

CDVXStampedFile CDVXChangeThread::NewFile() {
    return CDVXStampedFile(directory, record, buffered, prefix, timings.shortReadWaitMs);
}

void CDVXChangeThread::EndCycle(CDVXStampedFile& file, bool checked) {
    if (!keep || !checked || IsAborted()) {
        file.Close(true);
        return;
    }
    // Kept in the record before the file leaves it: a snapshot never misses it.
    std::string before;
    {
        KeptFile kept = file.Kept();
        RecordGuard guard(record);
        before = std::exchange(record->kept, std::move(kept)).name;
    }
    file.Keep();  // a failed close fails the run, which deletes the kept files
    if (before.empty()) return;
    const Chaine path = PathText::Join(directory, before);
    bool deleted = false;
    {
        CallWatch watch(record, CDVXThreadData::kDeleteFile, 0);
        deleted = platform::FileApi::Delete(path.View());
    }
    if (deleted) return;
    RecordGuard guard(record);
    record->RecordSystemError(LastError::Get(), CDVXThreadData::kDeleteFile, 0,
                              LastError::GetErrno());
    record->leftFiles.push_back(path);
}
