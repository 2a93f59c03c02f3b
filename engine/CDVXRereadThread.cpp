#include "engine/CDVXRereadThread.h"

#include "platform/ResourceIds.h"

CDVXRereadThread::CDVXRereadThread(bool buffered, bool keep)
    : CDVXChangeThread(buffered, keep, res::kRereadTestName, "VXD") {}

void CDVXRereadThread::Run() {
    CDVXStampedFile file = NewFile();
    EndCycle(file, file.Open() && file.WriteAt(0, byteBudget) && !IsAborted() &&
                       file.Reopen(CDVXFile::Access::kRead) && file.Verify() && !IsAborted() &&
                       file.Reopen(CDVXFile::Access::kRead) && file.Verify());
}
