#include "cli/RunMessage.h"

#include <cstring>
#include <type_traits>

#include "engine/CDVXProgressData.h"
#include "engine/CDVXThreadData.h"

namespace {

// More records than any run has: a message that claims more is not read.
constexpr uint32_t kMostRecords = 1024;

class Writer {
public:
    explicit Writer(RunMessage::Kind kind) {
        m_bytes.resize(sizeof(uint32_t));
        Put(static_cast<uint8_t>(kind));
    }
    template <typename T>
    void Put(T value) {
        static_assert(std::is_trivially_copyable_v<T>);
        m_bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    void Put(const Chaine& text) {
        Put(static_cast<uint32_t>(text.GetLength()));
        m_bytes.append(text.View());
    }
    template <typename... T>
    void PutAll(const T&... values) {
        (Put(values), ...);
    }
    std::string Framed() {
        const auto length = static_cast<uint32_t>(m_bytes.size() - sizeof(uint32_t));
        std::memcpy(m_bytes.data(), &length, sizeof length);
        return std::move(m_bytes);
    }

private:
    std::string m_bytes;
};

class Reader {
public:
    explicit Reader(std::string_view body) : m_rest(body.substr(body.empty() ? 0 : 1)) {}
    template <typename T>
    bool Get(T* value) {
        static_assert(std::is_trivially_copyable_v<T>);
        if (m_rest.size() < sizeof(T)) return false;
        std::memcpy(value, m_rest.data(), sizeof(T));
        m_rest.remove_prefix(sizeof(T));
        return true;
    }
    bool Get(Chaine* text) {
        uint32_t length = 0;
        if (!Get(&length) || m_rest.size() < length) return false;
        *text = Chaine(m_rest.substr(0, length));
        m_rest.remove_prefix(length);
        return true;
    }
    bool AtEnd() const { return m_rest.empty(); }

private:
    std::string_view m_rest;
};

void PutRecord(Writer& w, const CDVXThreadData& r, uint32_t now) {
    for (int slot = 0; slot < 2; ++slot) {
        w.Put(r.bytesWritten[slot].load(std::memory_order_relaxed));
        w.Put(r.bytesRead[slot].load(std::memory_order_relaxed));
    }
    w.Put(r.stopRequest.load());
    w.Put(r.state.load());
    w.Put(static_cast<uint8_t>(r.exited.load()));
    CDVXThreadData::PendingCall call;
    const bool pending = r.GetPendingCall(now, &call);
    w.PutAll(static_cast<uint8_t>(pending), call.operation, call.position,
             static_cast<int32_t>(call.fileSlot), now - call.waitedMs);
    RecordGuard guard(&r);
    w.PutAll(r.testname, r.tstdir, r.errorKind, r.failTicks, r.localtime, r.winerr, r.sysErrno,
             r.operation, r.datawait, r.dataget, r.position, r.stallSeconds, r.stallFile);
    for (const Chaine& name : r.fileNames) w.Put(name);
    w.Put(r.peer);
    w.Put(static_cast<uint32_t>(r.leftFiles.size()));
    for (const Chaine& name : r.leftFiles) w.Put(name);
}

bool GetRecord(Reader& in, CDVXThreadData* r) {
    uint64_t counters[4];
    int32_t stopRequest = 0, state = 0, operation = 0, slot = 0;
    uint8_t exited = 0, pending = 0;
    uint32_t position = 0, since = 0, leftCount = 0;
    for (uint64_t& c : counters) {
        if (!in.Get(&c)) return false;
    }
    if (!in.Get(&stopRequest) || !in.Get(&state) || !in.Get(&exited) || !in.Get(&pending) ||
        !in.Get(&operation) || !in.Get(&position) || !in.Get(&slot) || !in.Get(&since)) {
        return false;
    }
    RecordGuard guard(r);
    for (int i = 0; i < 2; ++i) {
        r->bytesWritten[i] = counters[2 * i];
        r->bytesRead[i] = counters[2 * i + 1];
    }
    r->stopRequest = stopRequest;
    r->state = state;
    r->exited = exited != 0;
    if (pending) {
        r->EnterCall(operation, position, slot, since);
    } else {
        r->LeaveCall();
    }
    bool ok = in.Get(&r->testname) && in.Get(&r->tstdir) && in.Get(&r->errorKind) &&
              in.Get(&r->failTicks) && in.Get(&r->localtime) && in.Get(&r->winerr) &&
              in.Get(&r->sysErrno) && in.Get(&r->operation) && in.Get(&r->datawait) &&
              in.Get(&r->dataget) && in.Get(&r->position) && in.Get(&r->stallSeconds) &&
              in.Get(&r->stallFile);
    for (Chaine& name : r->fileNames) ok = ok && in.Get(&name);
    ok = ok && in.Get(&r->peer);
    if (!ok || !in.Get(&leftCount)) return false;
    r->leftFiles.clear();
    for (uint32_t i = 0; i < leftCount; ++i) {
        Chaine name;
        if (!in.Get(&name)) return false;
        r->leftFiles.push_back(std::move(name));
    }
    return true;
}

}  // namespace

std::string RunMessage::Checking() { return Writer(kChecking).Framed(); }

std::string RunMessage::Started(const ShareClient& client, bool refused) {
    Writer w(kStarted);
    w.PutAll(static_cast<uint8_t>(client.network), static_cast<uint8_t>(client.cachesWrites),
             static_cast<uint8_t>(refused), client.type, client.source);
    return w.Framed();
}

std::string RunMessage::Progress(const RunState& state, CDVXProgressData& progress) {
    Writer w(kProgress);
    w.Put(static_cast<int32_t>(state.ending));
    w.Put(static_cast<uint8_t>(state.stopping));
    w.Put(progress.GetStartTicks());
    w.Put(progress.GetStopTicks());
    const uint32_t now = platform::Clock::GetTickCount();
    const CriticalSectionGuard guard = progress.Guard();
    w.Put(static_cast<uint32_t>(progress.GetThreadCount()));
    for (std::size_t i = 0; i < progress.GetThreadCount(); ++i) {
        PutRecord(w, *progress.GetThreadData(i), now);
    }
    return w.Framed();
}

std::string RunMessage::Finished(bool threadsLeft) {
    Writer w(kFinished);
    w.Put(static_cast<uint8_t>(threadsLeft));
    return w.Framed();
}

bool RunMessage::ReadFinished(std::string_view body, bool* threadsLeft) {
    Reader in(body);
    uint8_t left = 0;
    if (!in.Get(&left) || !in.AtEnd()) return false;
    *threadsLeft = left != 0;
    return true;
}

RunMessage::Kind RunMessage::KindOf(std::string_view body) {
    return body.empty() ? Kind{} : static_cast<Kind>(body[0]);
}

bool RunMessage::ReadStarted(std::string_view body, ShareClient* client, bool* refused) {
    Reader in(body);
    uint8_t network = 0, caches = 0, no = 0;
    if (!in.Get(&network) || !in.Get(&caches) || !in.Get(&no) || !in.Get(&client->type) ||
        !in.Get(&client->source) || !in.AtEnd()) {
        return false;
    }
    client->network = network != 0;
    client->cachesWrites = caches != 0;
    *refused = no != 0;
    return true;
}

bool RunMessage::ReadProgress(std::string_view body, RunState* state, CDVXProgressData* copy) {
    Reader in(body);
    int32_t ending = 0;
    uint8_t stopping = 0;
    uint32_t start = 0, stop = 0, count = 0;
    if (!in.Get(&ending) || !in.Get(&stopping) || !in.Get(&start) || !in.Get(&stop) ||
        !in.Get(&count) || count > kMostRecords || ending < RunVerdict::kTimeUp ||
        ending > RunVerdict::kFailure) {
        return false;
    }
    state->ending = static_cast<RunVerdict::Ending>(ending);
    state->stopping = stopping != 0;
    copy->SetClock(start, stop);
    if (copy->GetThreadCount() != count) {
        copy->ClearThreadData();
        for (uint32_t i = 0; i < count; ++i) copy->AddThreadData();
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (!GetRecord(in, copy->GetThreadData(i))) return false;
    }
    return in.AtEnd();
}

bool RunMessage::Splitter::Next(std::string* body) {
    uint32_t length = 0;
    if (m_buffer.size() < sizeof length) return false;
    std::memcpy(&length, m_buffer.data(), sizeof length);
    if (m_buffer.size() - sizeof length < length) return false;
    body->assign(m_buffer, sizeof length, length);
    m_buffer.erase(0, sizeof length + length);
    return true;
}
