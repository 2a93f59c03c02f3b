#pragma once
#include <cstdint>
#include <string_view>

#include "engine/CDVXThread.h"
#include "engine/CDVXThreadData.h"
#include "platform/FileApi.h"

// What the two sides of the cross-check between clients share (see
// CrossCheckFiles): calls on the files of one directory of the share, each
// marked in the record for the stall watch with the file's name, and waits
// that a stop cuts short. Worker thread only.
class CDVXCrossCheckThread : public CDVXThread {
public:
    CDVXCrossCheckThread() : CDVXThread(false) {}

protected:
    // How often a side looks for what the other one made.
    static constexpr uint32_t kPollMs = 200;

    Chaine Path(std::string_view name) const;
    // Makes the file `name` with `n` bytes; false, recorded, when a call
    // fails, and then the file is not left.
    bool Make(std::string_view name, const void* bytes, uint32_t n);
    // Reads the open file `name` until `capacity` bytes or its end, counting
    // them in `got`; false, recorded, when a read fails. The handle stays open.
    bool ReadAll(platform::FileHandle h, std::string_view name, void* into, uint32_t capacity,
                 uint32_t* got);
    // Whether the file `name` is there (a failed look counts as not there).
    // Asked of the server: a client may keep a file's attributes for a while
    // after another client deleted it, but an open goes through.
    bool Exists(std::string_view name);
    // Deletes the file `name`; false, recorded, when it cannot.
    bool Remove(std::string_view name);
    // Sleeps `ms`, less once a stop is asked for.
    void Pause(uint32_t ms);
    // The thread holds no file any more.
    void Done();
    // Records the failure the platform layer just gave for `op`; false.
    bool Fails(int32_t op, uint32_t position = 0);
    // `call`'s result, marked in the record while it lasts, on the file `name`.
    template <typename F>
    auto Watched(int32_t op, std::string_view name, uint32_t position, F call) {
        NameFile(name);
        CallWatch watch(record, op, position, slot);
        return call();
    }

private:
    void NameFile(std::string_view name);
    int slot = -1;
};
