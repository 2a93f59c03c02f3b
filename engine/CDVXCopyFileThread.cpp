#include "engine/CDVXCopyFileThread.h"

#include <memory>

#include "engine/CDVXFile.h"
#include "engine/CDVXRandomThread.h"
#include "engine/CDVXThreadData.h"
#include "platform/FileApi.h"
#include "platform/ResourceIds.h"
#include "platform/SystemError.h"
#include "support/FileSystem.h"

using platform::LastError;

CDVXCopyFileThread::CDVXCopyFileThread(bool buffered) : CDVXThread(buffered) {}

Chaine CDVXCopyFileThread::GetTestName() {
    return Chaine(Chaine::ResourceId(res::kCopyFileTestName));
}

bool CDVXCopyFileThread::Copy(CDVXFile& source, const CDVXFile& destination,
                              const Chaine& destinationName) {
    // Each piece that went is an answer: the watch restarts after it.
    CallWatch watch(record, CDVXThreadData::kCopyFile, 0, source.GetSlot());
    return platform::FileApi::Copy(
        source.GetName().View(), source.GetId(), destinationName.View(), destination.GetId(),
        [this, &source] { record->EnterCall(CDVXThreadData::kCopyFile, 0, source.GetSlot()); });
}

void CDVXCopyFileThread::Run() {
    const Chaine tempDir = GetTempDirectory();
    if (tempDir.IsEmpty()) {
        RecordGuard guard(record);
        record->RecordSystemError(LastError::Get(), CDVXThreadData::kGetTempPath, 0,
                                  LastError::GetErrno());
        return;
    }
    const Chaine prefix("VXC");
    CDVXFile source(directory, record, buffered, prefix, timings.shortReadWaitMs);
    if (!source.Open()) return;

    const auto block = std::make_unique_for_overwrite<unsigned char[]>(kBlockSize);
    CDVXRandomThread::FillRandom(block.get(), kBlockSize);
    if (!IsAborted()) source.WriteBlocks(block.get(), kBlockSize, byteBudget);
    source.Close(false);  // the data is complete on the server before the copy
    if (IsAborted()) return;

    CDVXFile destination(tempDir, record, buffered, prefix, timings.shortReadWaitMs);
    const Chaine destinationName = destination.GetName();
    if (!IsAborted() && !Copy(source, destination, destinationName)) {
        RecordGuard guard(record);
        record->RecordSystemError(LastError::Get(), CDVXThreadData::kCopyFile, 0,
                                  LastError::GetErrno());
    }
    source.Close(true);  // the server file goes whether or not the copy worked
    if (!IsAborted() && destination.Open(CDVXFile::Access::kRead)) {
        if (!IsAborted()) destination.ReadAndCompare(block.get(), kBlockSize, byteBudget);
        destination.Close(true);
    }
}
