#include "tests/engine/EngineEnvironment.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

class EngineEnvironment : public testing::Environment {
public:
    void SetUp() override { EngineTempDir(); }
    void TearDown() override { std::filesystem::remove_all(EngineTempDir()); }
};

const auto* const g_environment = testing::AddGlobalTestEnvironment(new EngineEnvironment);

}  // namespace

const std::string& EngineTempDir() {
    static const std::string dir = [] {
        std::string pattern = kDiskBase + "/dalvex-engine-tmp-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        setenv("TMPDIR", pattern.c_str(), 1);
        return pattern;
    }();
    return dir;
}

bool PollUntilStopped(CDVXThreadManager& manager, unsigned limitMs) {
    for (unsigned waited = 0; waited < limitMs; waited += 200) {
        manager.CheckFailure();
        if (!manager.IsRunning()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return false;
}
