#include "engine/CDVXRereadThread.h"

#include "platform/ResourceIds.h"

CDVXRereadThread::CDVXRereadThread(bool buffered)
    : CDVXChangeThread(buffered, res::kRereadTestName, "VXD") {}

void CDVXRereadThread::Run() {
    CDVXStampedFile file = NewFile();
    if (file.Open() && file.WriteAt(0, byteBudget) && !IsAborted() &&
        file.Reopen(CDVXFile::Access::kRead) && file.Verify() && !IsAborted() &&
        file.Reopen(CDVXFile::Access::kRead)) {
        file.Verify();
    }
    file.Close(true);
}
