#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/CDVXCrossCheckThread.h"

// The writer's side of the cross-check (see CrossCheckFiles), in this
// client's own directory: a round of files, closed, then announced; once the
// other client has compared it, the round goes and the next one comes. The
// other client reports what it did not find; this side fails only on its own
// calls. At the end it waits, up to the stall limit, for the other side to
// be done, then deletes what it made.
class CDVXCrossWriteThread : public CDVXCrossCheckThread {
public:
    // `name`: this client's, given to the other side in each announcement.
    explicit CDVXCrossWriteThread(const Chaine& name);
    Chaine GetTestName() override;
    void Run() override;
    void Finish() override;

private:
    bool WriteRound();
    void DeleteRound();

    const Chaine name;
    const uint64_t session;
    uint32_t round = 1;
    bool began = false;
    bool announced = false;
    bool otherDone = false;  // the other side reads no more
    std::vector<std::string> made;
};
