#include "cli/supervision/RunMessage.h"

#include <cstring>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

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
    void Put(bool value) { Put(static_cast<uint8_t>(value)); }
    void Put(const Chaine& text) {
        Put(static_cast<uint32_t>(text.GetLength()));
        m_bytes.append(text.View());
    }
    void Put(const std::vector<Chaine>& texts) {
        Put(static_cast<uint32_t>(texts.size()));
        for (const Chaine& text : texts) Put(text);
    }
    void Put(const KeptFile& k) {
        PutAll(Chaine(k.name), k.size, k.runId, k.clientId, k.serial,
               static_cast<uint32_t>(k.blocks.size()));
        for (const KeptFile::Blocks& b : k.blocks) PutAll(b.generation, b.stamped, b.count);
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
    bool Get(bool* value) {
        uint8_t byte = 0;
        if (!Get(&byte) || byte > 1) return false;
        *value = byte != 0;
        return true;
    }
    bool Get(Chaine* text) {
        uint32_t length = 0;
        if (!Get(&length) || m_rest.size() < length) return false;
        *text = Chaine(m_rest.substr(0, length));
        m_rest.remove_prefix(length);
        return true;
    }
    bool Get(std::vector<Chaine>* texts) {
        uint32_t count = 0;
        if (!Get(&count) || count > kMostFiles || !CanHold(count)) return false;
        texts->resize(count);
        for (Chaine& text : *texts) {
            if (!Get(&text)) return false;
        }
        return true;
    }
    bool Get(KeptFile* k) {
        Chaine name;
        uint32_t runs = 0;
        if (!GetAll(&name, &k->size, &k->runId, &k->clientId, &k->serial, &runs) ||
            !CanHold(runs)) {
            return false;
        }
        k->name = name.View();
        k->blocks.resize(runs);
        for (KeptFile::Blocks& b : k->blocks) {
            if (!GetAll(&b.generation, &b.stamped, &b.count)) return false;
        }
        return true;
    }
    template <typename... T>
    bool GetAll(T*... values) {
        return (Get(values) && ...);
    }
    bool AtEnd() const { return m_rest.empty(); }

private:
    // Whether `count` items may still follow: each takes 4 bytes at least.
    bool CanHold(uint32_t count) const { return m_rest.size() / sizeof(uint32_t) >= count; }

    std::string_view m_rest;
};

// A test's fields in groups that change together, each a bit of the mask
// that says which of them a message carries: names once, counters and the
// pending call at every poll, the failure and the files once or twice.
constexpr auto kGroups = std::tuple{
    [](auto& t) { return std::tie(t.testname, t.tstdir, t.peer); },
    [](auto& t) { return std::tie(t.state, t.exited, t.stalled); },
    [](auto& t) {
        return std::tie(t.bytesWritten[0], t.bytesWritten[1], t.bytesRead[0], t.bytesRead[1]);
    },
    [](auto& t) {
        return std::tie(t.pending, t.call.operation, t.call.position, t.call.sinceTicks);
    },
    [](auto& t) { return std::tie(t.call.file); },
    [](auto& t) {
        auto& f = t.failure;
        auto& d = f.damage;
        return std::tie(f.errorKind, f.winerr, f.sysErrno, f.operation, f.position, f.datawait,
                        f.dataget, f.stallSeconds, f.stallFile, f.failTicks, f.localtime, d.kind,
                        d.where, d.count, d.file, d.expected);
    },
    [](auto& t) { return std::tie(t.leftFiles); },
    [](auto& t) { return std::tie(t.kept); },
};

// Calls `see(group, bit)` for each group in turn.
template <typename See>
void EachGroup(See see) {
    std::apply(
        [&](const auto&... group) {
            uint8_t bit = 1;
            ((see(group, bit), bit <<= 1), ...);
        },
        kGroups);
}

// What one progress message changes in one test.
struct Change {
    uint32_t index = 0;
    uint8_t groups = 0;
    TestSnapshot test;  // the groups it carries
};

}  // namespace

std::string RunMessage::Checking() { return Writer(kChecking).Framed(); }

std::string RunMessage::Started(const ShareClient& client, Refusal refusal, const Chaine& why) {
    Writer w(kStarted);
    w.PutAll(static_cast<uint8_t>(client.network), static_cast<uint8_t>(client.cachesWrites),
             refusal, client.type, client.source, why);
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

std::string RunMessage::Teller::Progress(const RunState& state, RunSnapshot run, bool whole) {
    ++m_number;
    if (whole || m_toldNumber == 0 || m_number % kWholeEvery == 0) {
        m_toldNumber = 0;
        m_told.tests.clear();
    }
    const TestSnapshot none;
    std::vector<uint8_t> changed(run.tests.size());
    uint32_t changes = 0;
    for (std::size_t i = 0; i < run.tests.size(); ++i) {
        const TestSnapshot& was = i < m_told.tests.size() ? m_told.tests[i] : none;
        EachGroup([&](const auto& group, uint8_t bit) {
            if (group(run.tests[i]) != group(was)) changed[i] |= bit;
        });
        changes += changed[i] != 0;
    }
    Writer w(kProgress);
    w.PutAll(m_number, m_toldNumber, static_cast<int32_t>(state.ending), state.stopping,
             state.heldMs, run.startTicks, run.stopTicks, run.takenTicks,
             static_cast<uint32_t>(run.tests.size()), changes);
    for (std::size_t i = 0; i < run.tests.size(); ++i) {
        if (changed[i] == 0) continue;
        w.PutAll(static_cast<uint32_t>(i), changed[i]);
        EachGroup([&](const auto& group, uint8_t bit) {
            if (changed[i] & bit) {
                std::apply([&](const auto&... field) { w.PutAll(field...); }, group(run.tests[i]));
            }
        });
    }
    m_told = std::move(run);
    m_toldNumber = m_number;
    return w.Framed();
}

bool RunMessage::ReadProgress(std::string_view body, RunState* state, RunSnapshot* run,
                              uint32_t* number) {
    Reader in(body);
    uint32_t told = 0, follows = 0, count = 0, changed = 0;
    int32_t ending = 0;
    RunState taken;
    RunSnapshot clock;
    if (!in.GetAll(&told, &follows, &ending, &taken.stopping, &taken.heldMs, &clock.startTicks,
                   &clock.stopTicks, &clock.takenTicks, &count, &changed) ||
        told == 0 || (follows != 0 && follows != *number) || count > kMostTests ||
        changed > count || ending < RunVerdict::kTimeUp || ending > RunVerdict::kFailure) {
        return false;
    }
    // Read whole before anything changes: a message cut short leaves `run` as it was.
    std::vector<Change> changes(changed);
    for (uint32_t i = 0; i < changed; ++i) {
        Change& c = changes[i];
        const uint32_t next = i == 0 ? 0 : changes[i - 1].index + 1;
        if (!in.GetAll(&c.index, &c.groups) || c.index < next || c.index >= count ||
            c.groups == 0) {
            return false;
        }
        bool ok = true;
        EachGroup([&](const auto& group, uint8_t bit) {
            if (ok && (c.groups & bit)) {
                ok =
                    std::apply([&](auto&... field) { return in.GetAll(&field...); }, group(c.test));
            }
        });
        if (!ok) return false;
    }
    if (!in.AtEnd()) return false;
    taken.ending = static_cast<RunVerdict::Ending>(ending);
    *state = taken;
    run->startTicks = clock.startTicks;
    run->stopTicks = clock.stopTicks;
    run->takenTicks = clock.takenTicks;
    if (follows == 0) run->tests.clear();
    run->tests.resize(count);
    for (Change& c : changes) {
        EachGroup([&](const auto& group, uint8_t bit) {
            if (!(c.groups & bit)) return;
            auto to = group(run->tests[c.index]);
            auto from = group(c.test);
            to.swap(from);  // swaps the fields themselves: no text is copied
        });
    }
    *number = told;
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
