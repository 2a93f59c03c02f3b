#include "engine/CDVXCrossWriteThread.h"

#include <random>

#include "engine/CrossCheckFiles.h"
#include "platform/Clock.h"
#include "platform/ResourceIds.h"
#include "platform/SystemError.h"

namespace {

// Between two rounds, so that the check does not compete with the tests.
constexpr uint32_t kRoundPauseMs = 1000;

}  // namespace

CDVXCrossWriteThread::CDVXCrossWriteThread(const Chaine& writer)
    : name(writer.PrivateCopy()), session(std::random_device()() * 0x100000001ull) {}

Chaine CDVXCrossWriteThread::GetTestName() {
    return Chaine(Chaine::ResourceId(res::kCrossWriteTestName));
}

void CDVXCrossWriteThread::Run() {
    if (!began) {
        began = true;
        // What an earlier check left would be taken for this one's.
        if (Exists(CrossCheckFiles::kFinishedName) || Exists(CrossCheckFiles::DoneName(1))) {
            platform::LastError::SetFromErrno(EEXIST, true);
            Fails(CDVXThreadData::kCreateFile);
            return;
        }
    }
    if (otherDone) return Pause(kRoundPauseMs);
    // Looked for before each round too: a reader that is done waits only
    // for a round it sees.
    otherDone = Exists(CrossCheckFiles::kFinishedName);
    if (!otherDone && !announced) {
        announced = WriteRound();
        return;
    }
    if (otherDone || Exists(CrossCheckFiles::DoneName(round))) {
        DeleteRound();
        ++round;
        announced = false;
        return Pause(kRoundPauseMs);
    }
    Pause(kPollMs);
}

bool CDVXCrossWriteThread::WriteRound() {
    const CrossCheckFiles::Round plan = CrossCheckFiles::Plan(session, name, round);
    for (const CrossCheckFiles::Entry& e : plan.files) {
        const std::vector<unsigned char> bytes = CrossCheckFiles::Content(session, e.name, e.size);
        if (IsAborted() || !Make(e.name, bytes.data(), e.size)) return false;
        made.push_back(e.name);
    }
    const std::string text = CrossCheckFiles::Announcement(plan);
    const std::string ready = CrossCheckFiles::ReadyName(round);
    if (!Make(ready, text.data(), static_cast<uint32_t>(text.size()))) return false;
    made.push_back(ready);
    return true;
}

void CDVXCrossWriteThread::DeleteRound() {
    // The announcement first: the other side never finds a round half gone.
    for (auto it = made.rbegin(); it != made.rend(); ++it) Remove(*it);
    made.clear();
}

void CDVXCrossWriteThread::Finish() {
    const uint32_t since = platform::Clock::GetTickCount();
    while (!made.empty() && !otherDone && !IsAborted() &&
           platform::Clock::GetTickCount() - since < timings.stallLimitMs) {
        otherDone = Exists(CrossCheckFiles::kFinishedName);
        if (!otherDone) platform::Clock::Sleep(kPollMs);
    }
    DeleteRound();
    Done();
}
