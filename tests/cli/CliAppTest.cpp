#include "cli/CliApp.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <tuple>

#include "tests/CliProcess.h"
#include "tests/TempDir.h"

// A whole duration of three minutes, with minutes of a second: the run ends on
// its own at the end of the last one, reads back all it wrote, is "ok", and
// leaves nothing behind. The program's own minute is one of sixty seconds.
TEST(CliAppTest, TheRunEndsAtTheEndOfItsDuration) {
    EXPECT_EQ(std::tuple(CDVXTimings{}.startDelayMs, CDVXTimings{}.shortReadWaitMs,
                         CDVXTimings{}.minuteMs),
              std::tuple(500u, 2000u, 60000u));
    TempDir dir("/dev/shm"), tmp;
    setenv("TMPDIR", tmp.Path().c_str(), 1);  // before the first run of this process reads it
    CliOptions options;
    options.prefs.SetDirectory(Chaine(std::string_view(dir.Path())));
    options.prefs.SetDurationMinutes(3);
    options.prefs.timings = {10, 50, 1000};
    options.jsonPath = "-";
    options.quiet = true;
    char *out = nullptr, *err = nullptr;
    std::size_t outSize = 0, errSize = 0;
    std::FILE* outFile = open_memstream(&out, &outSize);
    std::FILE* errFile = open_memstream(&err, &errSize);
    CliResult r;
    r.status = CliApp::Run(options, outFile, errFile);
    std::fclose(outFile), std::fclose(errFile);
    r.out.assign(out, outSize), r.err.assign(err, errSize);
    std::free(out), std::free(err);
    const auto j = CheckRun(r, 0, {{"ending", "time-up"}}, r.out);
    EXPECT_TRUE(j["elapsedMs"] >= 3000 && j["elapsedMs"] < 60000)
        << "minutes of a second: " << j["elapsedMs"];
    EXPECT_TRUE(Snapshot(dir.Path()).empty() && Snapshot(tmp.Path()).empty())
        << Listing(dir.Path()) << Listing(tmp.Path());
}
