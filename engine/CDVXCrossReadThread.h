#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "engine/CDVXCrossCheckThread.h"
#include "engine/CrossCheckFiles.h"

// The reader's side of the cross-check (see CrossCheckFiles), in the other
// client's directory as this client's mount shows it: each round, once
// announced, is read and compared byte for byte, then said done. A round
// not announced within the stall limit, a file that does not show with its
// size within it, and differing bytes fail the test: the other client's
// writes did not reach the server, or this client does not see them. The
// record learns the other client's name from its first announcement.
class CDVXCrossReadThread : public CDVXCrossCheckThread {
public:
    Chaine GetTestName() override;
    void Run() override;
    void Finish() override;

private:
    // The round's announcement, once it is there whole; false while it is
    // not, and when looking failed (recorded).
    bool Announced(CrossCheckFiles::Round* round);
    // Fails the test on what the name shows after the wait: no file, or
    // not the whole announcement.
    void NeverCame(const std::string& name);
    bool Compare(uint64_t session, const CrossCheckFiles::Entry& file);
    // Whether the writer still has a round there: the last one said done,
    // or the next, announced or being made (once its session is known).
    bool RoundThere();

    uint32_t round = 1;
    uint32_t waitingSince = 0;
    bool began = false;
    std::optional<uint64_t> writerSession;  // from its last announcement
    std::string done;  // the last round said done, whose mark is still there
};
