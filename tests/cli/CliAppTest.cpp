#include "cli/CliApp.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/TempDir.h"

namespace {

std::string Contents(std::FILE* f) {
    std::string text(static_cast<std::size_t>(std::ftell(f)), '\0');
    std::rewind(f);
    text.resize(std::fread(text.data(), 1, text.size(), f));
    std::fclose(f);
    return text;
}

}  // namespace

// A whole duration of three minutes, with minutes of a second: the run ends on
// its own at the end of the last one, reads back all it wrote, and is "ok".
TEST(CliAppTest, TheRunEndsAtTheEndOfItsDuration) {
    TempDir dir("/dev/shm");
    CliOptions options;
    options.prefs.SetDirectory(Chaine(std::string_view(dir.Path())));
    options.prefs.SetDurationMinutes(3);
    options.prefs.timings = {10, 50, 1000};
    options.jsonPath = "-";
    options.quiet = true;
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_TRUE(out && err);
    EXPECT_EQ(CliApp::Run(options, out, err), 0);
    const std::string text = Contents(err);
    const auto j = nlohmann::json::parse(Contents(out));
    EXPECT_EQ(j["ending"], "time-up") << text;
    EXPECT_EQ(j["result"], "ok");
    EXPECT_GE(j["elapsedMs"].get<uint32_t>(), 3000u);
    EXPECT_LT(j["elapsedMs"].get<uint32_t>(), 60000u) << "minutes of a second";
    EXPECT_GT(j["bytesWritten"].get<uint64_t>(), 0u);
    EXPECT_EQ(j["bytesWritten"], j["bytesRead"]);
    EXPECT_NE(text.find("Le test a réussi"), std::string::npos) << text;
    EXPECT_TRUE(Snapshot(dir.Path()).empty()) << Listing(dir.Path());
}
