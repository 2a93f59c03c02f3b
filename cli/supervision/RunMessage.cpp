#include "cli/supervision/RunMessage.h"

#include <cstring>
#include <type_traits>
#include <utility>

namespace {

// More tests than any run has, and more files than any test leaves: a
// message that claims more is not read.
constexpr uint32_t kMostTests = 1024;
constexpr uint32_t kMostFiles = 65536;

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
    // Whether `count` texts may still follow: each takes its length at least.
    bool CanHold(uint32_t count) const { return m_rest.size() / sizeof(uint32_t) >= count; }

private:
    std::string_view m_rest;
};

void PutTest(Writer& w, const TestSnapshot& t) {
    const TestFailure& f = t.failure;
    w.PutAll(t.testname, t.tstdir, t.state, static_cast<uint8_t>(t.exited),
             static_cast<uint8_t>(t.stalled));
    for (int slot = 0; slot < 2; ++slot) w.PutAll(t.bytesWritten[slot], t.bytesRead[slot]);
    w.PutAll(static_cast<uint8_t>(t.pending), t.call.operation, t.call.position, t.call.file,
             t.call.sinceTicks);
    w.PutAll(f.errorKind, f.winerr, f.sysErrno, f.operation, f.position, f.datawait, f.dataget,
             f.stallSeconds, f.stallFile, f.failTicks, f.localtime);
    const Damage& d = f.damage;
    w.PutAll(d.kind, d.where, d.count, d.file, d.expected);
    w.Put(t.peer);
    w.Put(static_cast<uint32_t>(t.leftFiles.size()));
    for (const Chaine& name : t.leftFiles) w.Put(name);
    const KeptFile& k = t.kept;
    w.PutAll(Chaine(k.name), k.size, k.runId, k.clientId, k.serial,
             static_cast<uint32_t>(k.blocks.size()));
    for (const KeptFile::Blocks& b : k.blocks) w.PutAll(b.generation, b.stamped, b.count);
}

bool GetTest(Reader& in, TestSnapshot* t) {
    TestFailure& f = t->failure;
    uint8_t exited = 0, stalled = 0, pending = 0;
    uint32_t leftCount = 0;
    bool ok = in.Get(&t->testname) && in.Get(&t->tstdir) && in.Get(&t->state) && in.Get(&exited) &&
              in.Get(&stalled);
    for (int slot = 0; slot < 2; ++slot) {
        ok = ok && in.Get(&t->bytesWritten[slot]) && in.Get(&t->bytesRead[slot]);
    }
    ok = ok && in.Get(&pending) && in.Get(&t->call.operation) && in.Get(&t->call.position) &&
         in.Get(&t->call.file) && in.Get(&t->call.sinceTicks);
    ok = ok && in.Get(&f.errorKind) && in.Get(&f.winerr) && in.Get(&f.sysErrno) &&
         in.Get(&f.operation) && in.Get(&f.position) && in.Get(&f.datawait) && in.Get(&f.dataget) &&
         in.Get(&f.stallSeconds) && in.Get(&f.stallFile) && in.Get(&f.failTicks) &&
         in.Get(&f.localtime);
    Damage& d = f.damage;
    ok = ok && in.Get(&d.kind) && in.Get(&d.where) && in.Get(&d.count) && in.Get(&d.file) &&
         in.Get(&d.expected);
    if (!ok || !in.Get(&t->peer) || !in.Get(&leftCount) || leftCount > kMostFiles ||
        !in.CanHold(leftCount)) {
        return false;
    }
    t->exited = exited != 0;
    t->stalled = stalled != 0;
    t->pending = pending != 0;
    t->leftFiles.resize(leftCount);
    for (Chaine& name : t->leftFiles) {
        if (!in.Get(&name)) return false;
    }
    KeptFile& k = t->kept;
    Chaine keptName;
    uint32_t runs = 0;
    if (!in.Get(&keptName) || !in.Get(&k.size) || !in.Get(&k.runId) || !in.Get(&k.clientId) ||
        !in.Get(&k.serial) || !in.Get(&runs) || !in.CanHold(runs)) {
        return false;
    }
    k.name = keptName.View();
    k.blocks.resize(runs);
    for (KeptFile::Blocks& b : k.blocks) {
        if (!in.Get(&b.generation) || !in.Get(&b.stamped) || !in.Get(&b.count)) return false;
    }
    return true;
}

}  // namespace

std::string RunMessage::Checking() { return Writer(kChecking).Framed(); }

std::string RunMessage::Started(const ShareClient& client, Refusal refusal, const Chaine& why) {
    Writer w(kStarted);
    w.PutAll(static_cast<uint8_t>(client.network), static_cast<uint8_t>(client.cachesWrites),
             refusal, client.type, client.source, why);
    return w.Framed();
}

std::string RunMessage::Progress(const RunState& state, const RunSnapshot& run) {
    Writer w(kProgress);
    w.PutAll(static_cast<int32_t>(state.ending), static_cast<uint8_t>(state.stopping), state.heldMs,
             run.startTicks, run.stopTicks, run.takenTicks,
             static_cast<uint32_t>(run.tests.size()));
    for (const TestSnapshot& t : run.tests) PutTest(w, t);
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

bool RunMessage::ReadStarted(std::string_view body, ShareClient* client, Refusal* refusal,
                             Chaine* why) {
    Reader in(body);
    uint8_t network = 0, caches = 0, no = 0;
    if (!in.Get(&network) || !in.Get(&caches) || !in.Get(&no) || !in.Get(&client->type) ||
        !in.Get(&client->source) || !in.Get(why) || !in.AtEnd() || no > kUnusableDirectory) {
        return false;
    }
    client->network = network != 0;
    client->cachesWrites = caches != 0;
    *refusal = static_cast<Refusal>(no);
    return true;
}

bool RunMessage::ReadProgress(std::string_view body, RunState* state, RunSnapshot* run) {
    Reader in(body);
    int32_t ending = 0;
    uint8_t stopping = 0;
    uint32_t count = 0;
    RunSnapshot read;
    uint32_t heldMs = 0;
    if (!in.Get(&ending) || !in.Get(&stopping) || !in.Get(&heldMs) || !in.Get(&read.startTicks) ||
        !in.Get(&read.stopTicks) || !in.Get(&read.takenTicks) || !in.Get(&count) ||
        count > kMostTests || ending < RunVerdict::kTimeUp || ending > RunVerdict::kFailure) {
        return false;
    }
    read.tests.resize(count);
    for (TestSnapshot& t : read.tests) {
        if (!GetTest(in, &t)) return false;
    }
    if (!in.AtEnd()) return false;
    state->ending = static_cast<RunVerdict::Ending>(ending);
    state->stopping = stopping != 0;
    state->heldMs = heldMs;
    *run = std::move(read);
    return true;
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
