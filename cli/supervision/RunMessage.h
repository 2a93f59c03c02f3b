#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/RunSnapshot.h"
#include "engine/RunVerdict.h"
#include "support/Chaine.h"
#include "support/FileSystem.h"

// What the process that runs the engine tells the process that supervises
// it, through a pipe: a 32-bit length, then the kind and its fields, in this
// machine's byte order. The progress messages keep a copy of the run's
// snapshot on the supervisor's side, so that everything it prints and writes
// comes from its own memory; each carries what changed since the one before
// (see Teller). Texts travel as Windows-1252 bytes.
class RunMessage {
public:
    enum Kind : uint8_t {
        kChecking = 1,  // the checks of the directory begin
        kStarted = 2,   // they are over; the run starts, unless refused
        kProgress = 3,  // the run's state and what changed in its snapshot, every poll
        kFinished = 4,  // the last progress message was the result; threads left behind?
    };
    // Why the run does not start, told with kStarted.
    enum Refusal : uint8_t {
        kStarts = 0,
        kCachingClient = 1,      // the directory's client keeps writes in a local cache
        kUnusableDirectory = 2,  // the directory cannot hold the run (DirectoryCheck)
    };
    struct RunState {
        RunVerdict::Ending ending = RunVerdict::kTimeUp;  // as the verdict would say now
        bool stopping = false;
        // How long the message before this one waited for the supervisor to
        // read it (0 under a second): meanwhile nobody looked at the share.
        uint32_t heldMs = 0;
    };

    static std::string Checking();
    // The client of the directory, and whether the run starts; `why`, in
    // the user's words, for an unusable directory.
    static std::string Started(const ShareClient& client, Refusal refusal,
                               const Chaine& why = Chaine());
    static std::string Finished(bool threadsLeft);

    // Makes the progress messages, on the engine's side. Each is numbered
    // and names the one it follows: it carries the run's clock and state,
    // and of each test only the groups of fields that changed since. The
    // first carries everything (it follows none, and so tells what changed
    // since an empty snapshot), as does one in every kWholeEvery, so that a
    // receiver that refused a message catches up, and the one that follows
    // a message that could not be sent.
    class Teller {
    public:
        static constexpr uint32_t kWholeEvery = 25;

        // The message for `run`; `whole`: it carries everything anyway (the
        // last one, which the result comes from).
        std::string Progress(const RunState& state, RunSnapshot run, bool whole);
        // The last message did not reach the receiver whole.
        void Lost() { m_toldNumber = 0; }

    private:
        RunSnapshot m_told;
        uint32_t m_number = 0;
        uint32_t m_toldNumber = 0;  // 0: the receiver may know nothing
    };

    // The kind of a message's body; 0 for an empty one.
    static Kind KindOf(std::string_view body);
    static bool ReadStarted(std::string_view body, ShareClient* client, Refusal* refusal,
                            Chaine* why);
    static bool ReadFinished(std::string_view body, bool* threadsLeft);
    // Brings `run`, the snapshot of the progress message numbered `*number`
    // (0: none yet), to the one this message tells, and takes its state.
    // False, with all three left as they were, for a message it cannot read
    // or that does not follow that one: a message lost between them would
    // leave `run` out of step.
    static bool ReadProgress(std::string_view body, RunState* state, RunSnapshot* run,
                             uint32_t* number);

    // Cuts a stream of bytes into message bodies.
    class Splitter {
    public:
        void Feed(const char* bytes, std::size_t n) { m_buffer.append(bytes, n); }
        // The next whole body; false until one is there.
        bool Next(std::string* body);

    private:
        std::string m_buffer;
    };
};
