#include "engine/CDVXTempThread.h"

#include "engine/CDVXThreadData.h"
#include "platform/ResourceIds.h"
#include "platform/SystemError.h"
#include "support/FileSystem.h"

CDVXTempThread::CDVXTempThread(bool buffered) : CDVXRandomThread(buffered) {}

Chaine CDVXTempThread::GetTestName() { return Chaine(Chaine::ResourceId(res::kTempTestName)); }

void CDVXTempThread::Run() {
    directory = GetTempDirectory();
    if (directory.IsEmpty()) {
        RecordGuard guard(record);
        record->RecordSystemError(platform::LastError::Get(), CDVXThreadData::kGetTempPath, 0,
                                  platform::LastError::GetErrno());
        return;
    }
    CDVXThreadWithBuffer::Run();
}
