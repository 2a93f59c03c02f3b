#include "engine/CDVXKeptFileThread.h"

#include <utility>

#include "engine/CDVXStampedFile.h"
#include "engine/CDVXThreadData.h"
#include "platform/ResourceIds.h"

CDVXKeptFileThread::CDVXKeptFileThread(KeptFile file) : CDVXThread(false), kept(std::move(file)) {}

Chaine CDVXKeptFileThread::GetTestName() {
    Chaine name;
    return name.Format(Chaine(Chaine::ResourceId(res::kKeptFileTestName)).c_str(),
                       kept.name.c_str());
}

void CDVXKeptFileThread::Run() {
    {
        CDVXStampedFile file(kept, directory, record, timings.shortReadWaitMs);
        if (file.OpenToCheck()) file.Verify();
        file.Close(false);
    }
    // One check is the whole test.
    record->SetStopRequest(CDVXThreadData::kStopAfterCycle);
}
