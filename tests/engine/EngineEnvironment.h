#pragma once
#include <chrono>
#include <string>
#include <thread>

#include "engine/CDVXThreadData.h"
#include "engine/CDVXThreadManager.h"
#include "tests/Eventually.h"

// Every engine test process gets a temporary directory of its own ($TMPDIR),
// so that the Temp and file-copy tests can be shown to leave nothing behind.
const std::string& EngineTempDir();

// The program's waits, shortened: the same rules in a fraction of the time.
inline constexpr CDVXTimings kQuick{10, 50, 100};

// `read` under the record's lock, as the user-interface thread reads it.
template <typename F>
auto Locked(CDVXThreadData& record, F read) {
    RecordGuard guard(&record);
    return read(record);
}

// Polls the manager as the wizard's progress page does until `done` holds or
// `limitMs` passes; CheckFailure() on the way.
template <typename F>
bool PollUntil(CDVXThreadManager& manager, F done, unsigned limitMs = 60000) {
    return Eventually([&] { return manager.CheckFailure(), done(); }, limitMs);
}
