#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/RunVerdict.h"
#include "support/Chaine.h"
#include "support/FileSystem.h"

class CDVXProgressData;

// What the process that runs the engine tells the process that supervises
// it, through a pipe: a 32-bit length, then the kind and its fields, in this
// machine's byte order. The supervisor keeps a copy of the run's records,
// brought up to date by each progress message, so that everything it prints
// and writes comes from its own memory. Texts travel as Windows-1252 bytes.
class RunMessage {
public:
    enum Kind : uint8_t {
        kChecking = 1,  // the checks of the directory begin
        kStarted = 2,   // they are over; the run starts, unless refused
        kProgress = 3,  // the records and the run's state, every poll
        kFinished = 4,  // the last progress message was the result; threads left behind?
    };
    struct RunState {
        RunVerdict::Ending ending = RunVerdict::kTimeUp;  // as the verdict would say now
        bool stopping = false;
    };

    static std::string Checking();
    // The client of the directory; `refused`: the run does not start, for
    // the client keeps writes in a local cache.
    static std::string Started(const ShareClient& client, bool refused);
    static std::string Progress(const RunState& state, CDVXProgressData& progress);
    static std::string Finished(bool threadsLeft);

    // The kind of a message's body; 0 for an empty one.
    static Kind KindOf(std::string_view body);
    static bool ReadStarted(std::string_view body, ShareClient* client, bool* refused);
    static bool ReadFinished(std::string_view body, bool* threadsLeft);
    // Brings `copy` to what the message says: its clock, as many records,
    // and every field of each; false for a message it cannot read, which
    // may have changed part of the copy.
    static bool ReadProgress(std::string_view body, RunState* state, CDVXProgressData* copy);

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
