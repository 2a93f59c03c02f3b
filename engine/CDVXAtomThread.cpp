#include "engine/CDVXAtomThread.h"

#include "engine/CDVXFile.h"
#include "platform/Clock.h"
#include "platform/ResourceIds.h"

CDVXAtomThread::CDVXAtomThread(bool buffered) : CDVXThread(buffered) {}

Chaine CDVXAtomThread::GetTestName() { return Chaine(Chaine::ResourceId(res::kAtomTestName)); }

void CDVXAtomThread::Run() {
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz";
    const uint32_t count = byteBudget / kBytesPerWrite;
    CDVXFile file(directory, record, buffered, Chaine("VXA"), timings.shortReadWaitMs);
    if (!file.Open()) return;

    uint32_t written = 0;
    while (!IsStopRequested() && written < count) {
        for (char letter = 'a'; !IsStopRequested() && written < count && letter <= 'z'; ++letter) {
            file.filePos = written;
            if (!IsAborted()) file.Reopen(CDVXFile::Access::kReadWrite);
            if (!IsAborted()) file.Seek(-1);
            if (!IsAborted()) file.Write(&letter, 1);
            ++written;
        }
        // The pause after each alphabet shrinks from nearly 500 ms to 0.
        if (count > 0) platform::Clock::Sleep(kMaxPauseMs * (count - written) / count);
    }

    file.filePos = 0;
    if (!IsAborted()) file.Reopen(CDVXFile::Access::kRead);
    if (!IsAborted()) file.ReadAndCompare(kAlphabet, 26, written);
    file.Close(true);
}
