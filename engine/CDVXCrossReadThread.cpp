#include "engine/CDVXCrossReadThread.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/Clock.h"
#include "platform/FileApi.h"
#include "platform/ResourceIds.h"
#include "platform/SystemError.h"

using platform::Clock;
using platform::FileApi;
using platform::LastError;

Chaine CDVXCrossReadThread::GetTestName() {
    return Chaine(Chaine::ResourceId(res::kCrossReadTestName));
}

void CDVXCrossReadThread::Run() {
    if (!began) {
        began = true;
        waitingSince = Clock::GetTickCount();
    }
    CrossCheckFiles::Round announced;
    if (!Announced(&announced)) {
        if (HasFailed()) return;
        if (Clock::GetTickCount() - waitingSince < timings.stallLimitMs) return Pause(kPollMs);
        return NeverCame(CrossCheckFiles::ReadyName(round));
    }
    writerSession = announced.session;
    {
        RecordGuard guard(record);
        if (record->peer.IsEmpty()) record->peer = announced.writer.PrivateCopy();
    }
    for (const CrossCheckFiles::Entry& file : announced.files) {
        if (!Compare(announced.session, file)) return;
    }
    const std::string mark = CrossCheckFiles::DoneName(round);
    if (!Make(mark, "", 0)) return;
    // The other side has seen the previous mark: it made this round since.
    if (!done.empty()) Remove(done);
    done = mark;
    ++round;
    waitingSince = Clock::GetTickCount();
}

bool CDVXCrossReadThread::Announced(CrossCheckFiles::Round* announced) {
    const std::string name = CrossCheckFiles::ReadyName(round);
    const Chaine path = Path(name);
    uint64_t size = 0;
    const platform::FileHandle h = Watched(CDVXThreadData::kCreateFile, name, 0,
                                           [&] { return FileApi::OpenToRead(path.View(), &size); });
    if (h == platform::kNullHandle) {
        if (LastError::GetErrno() != ENOENT) Fails(CDVXThreadData::kCreateFile);
        return false;
    }
    // One byte more shows a file longer than any announcement.
    std::string text(CrossCheckFiles::kAnnouncementBytes + 1, '\0');
    uint32_t got = 0;
    const bool read =
        ReadAll(h, name, text.data(), static_cast<uint32_t>(text.size()), &got);
    FileApi::Close(h, false);
    text.resize(got);
    return read && CrossCheckFiles::ReadAnnouncement(text, round, announced);
}

void CDVXCrossReadThread::NeverCame(const std::string& name) {
    const Chaine path = Path(name);
    uint64_t size = 0;
    const platform::FileHandle h = FileApi::OpenToRead(path.View(), &size);
    if (h == platform::kNullHandle) {
        Fails(CDVXThreadData::kCreateFile);
        return;
    }
    FileApi::Close(h, false);
    RecordGuard guard(record);
    record->RecordDataError(Chaine(), Chaine(), static_cast<uint32_t>(size));
}

bool CDVXCrossReadThread::Compare(uint64_t session, const CrossCheckFiles::Entry& file) {
    const Chaine path = Path(file.name);
    const uint32_t since = Clock::GetTickCount();
    uint64_t size = 0;
    platform::FileHandle h = platform::kNullHandle;
    // Announced means closed: still, a client may show the file a moment later.
    for (;;) {
        h = Watched(CDVXThreadData::kCreateFile, file.name, 0,
                    [&] { return FileApi::OpenToRead(path.View(), &size); });
        if (h == platform::kNullHandle && LastError::GetErrno() != ENOENT) {
            return Fails(CDVXThreadData::kCreateFile);
        }
        const bool late = Clock::GetTickCount() - since >= timings.stallLimitMs || IsAborted();
        if (h != platform::kNullHandle && (size == file.size || late)) break;
        if (late) return Fails(CDVXThreadData::kCreateFile);
        if (h != platform::kNullHandle) FileApi::Close(h, false);
        Clock::Sleep(kPollMs);
    }
    // A few bytes more than announced show a file that is too long.
    std::vector<unsigned char> bytes(file.size + 10);
    uint32_t got = 0;
    const bool read =
        ReadAll(h, file.name, bytes.data(), static_cast<uint32_t>(bytes.size()), &got);
    record->AddBytesRead(CDVXThreadData::Slot(false), got);
    FileApi::Close(h, false);
    if (!read) return false;
    const std::vector<unsigned char> expected =
        CrossCheckFiles::Content(session, file.name, file.size);
    const bool same =
        std::equal(bytes.begin(), bytes.begin() + std::min(got, file.size), expected.begin());
    if (same && got == file.size) return true;
    // Named before the lock: the record is not held while the bytes are searched.
    const Damage damage =
        same ? Damage{.kind = Damage::kEndMissing, .count = file.size - std::min(got, file.size)}
             : Damage::InPattern(expected.data(), file.size, bytes.data(),
                                 std::min(got, file.size), 0);
    RecordGuard guard(record);
    if (same && got < file.size) {
        record->RecordDataError(Chaine(), Chaine(), got, damage);  // cut short
    } else {
        // Too long: the bytes past the end, with no damage of their own.
        record->RecordMismatch(expected.data(), file.size, bytes.data(), got, 0,
                               same ? Damage() : damage);
    }
    return false;
}

bool CDVXCrossReadThread::RoundThere() {
    // The writer makes a round's first file first and deletes it last; it
    // may not have seen yet that the last round was done.
    if (Exists(CrossCheckFiles::ReadyName(round))) return true;
    if (!writerSession) return false;
    return Exists(CrossCheckFiles::DataName(*writerSession, round, 0)) ||
           Exists(CrossCheckFiles::DataName(*writerSession, round - 1, 0));
}

void CDVXCrossReadThread::Finish() {
    if (began) {
        // The other side stops making rounds, and deletes the one it has.
        const bool told = Make(CrossCheckFiles::kFinishedName, "", 0);
        if (!done.empty()) Remove(done);
        const uint32_t since = Clock::GetTickCount();
        while (told && !IsAborted() && RoundThere() &&
               Clock::GetTickCount() - since < timings.stallLimitMs) {
            Clock::Sleep(kPollMs);
        }
        if (told) Remove(CrossCheckFiles::kFinishedName);
    }
    Done();
}
