#include "tests/engine/EngineEnvironment.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "tests/TempDir.h"

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
        std::string pattern = (LocalDiskBase().empty() ? "/tmp" : LocalDiskBase()) + "/dalvex-engine-tmp-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        setenv("TMPDIR", pattern.c_str(), 1);
        return pattern;
    }();
    return dir;
}
