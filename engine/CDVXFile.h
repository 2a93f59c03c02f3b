#pragma once
#include <cstdint>
#include <string_view>

#include "engine/CDVXThreadData.h"
#include "platform/FileApi.h"
#include "support/Chaine.h"

// The one file of a test cycle: a unique temporary file that it creates in a
// directory, writes, reads back and deletes. Every failed call is written into
// the owning thread's record with its operation code, the error code and the
// file position reached, and the operation returns false; nothing is thrown.
// Each call is marked in the record while it lasts, for the stall watch, and
// the record knows the file's name until it is deleted. Worker thread only.
class CDVXFile {
public:
    // A short read is recorded only after `shortReadWaitMs`.
    CDVXFile(const Chaine& directory, CDVXThreadData* record, bool buffered, const Chaine& prefix,
             uint32_t shortReadWaitMs);
    // Closes and deletes a file that is still open or named, silently: a
    // cycle cut short by an exception leaks no descriptor, and no file is
    // deleted while open (which a network file system may keep as a hidden
    // file in the share). A file that could not be deleted is left in the
    // record's list.
    virtual ~CDVXFile();
    CDVXFile(const CDVXFile&) = delete;
    CDVXFile& operator=(const CDVXFile&) = delete;

    bool IsOpen() const { return handle != platform::kNullHandle; }
    // Makes the unique name (creating the empty file) on first use; empty when
    // that fails. The record knows the name from before the create.
    Chaine GetName();
    // Which file the name was made for; every open checks that it finds it.
    const platform::FileId& GetId() const { return fileId; }
    // Where the record keeps the name, for a call on the file made elsewhere.
    int GetSlot() const { return slot; }
    using Access = platform::FileApi::Access;
    // The first open makes the file, the next ones open it again, for
    // reading alone when that is all the test does with it.
    bool Open(Access access = Access::kReadWrite);
    // Always drops the handle; a failed close is recorded but does not fail.
    bool Close(bool deleteFile);
    bool Reopen(Access access);
    // The file `name` of the directory, made by an earlier run: opened by
    // OpenToCheck alone, and never written nor deleted here.
    void SetNameToCheck(std::string_view name);
    // Opens it to read, with what this machine held of it dropped first, so
    // that its bytes come from the server.
    bool OpenToCheck();
    // Closes the file and leaves it in place, out of the record: the caller
    // answers for it from now on.
    bool Keep();
    bool Read(void* buffer, uint32_t n, uint32_t* bytesRead);
    bool Write(const void* buffer, uint32_t n);
    // offset >= 0 from the start; negative from the end, -1 being the end.
    bool Seek(int32_t offset);
    // To `position` from the start, past 2 GB too.
    bool SeekTo(uint32_t position);
    // The file's length becomes `size`.
    bool Resize(uint32_t size);
    // This file takes the name of `target`'s, which is gone with it. Where
    // the client renames no open file (EBUSY), this one is closed first.
    bool RenameOver(CDVXFile& target);

    // Writes `buffer` again and again until `total` bytes are written.
    bool WriteBlocks(const void* buffer, uint32_t blockSize, uint32_t total);
    // Reads `total` bytes back and compares each block of `blockSize` with the
    // start of `expected`; a read takes up to kReadAtOnce bytes of whole
    // blocks. No more than a network client's one request carries (128 KiB,
    // the most a FUSE client asks at once unless its server says otherwise):
    // a client that splits a read and meets an error past its first request
    // returns what came before, and the error would never be told.
    static constexpr uint32_t kReadAtOnce = 128 << 10;
    bool ReadAndCompare(const void* expected, uint32_t blockSize, uint32_t total);
    void ReportMismatch(const void* expected, const void* read, uint32_t count, uint32_t base,
                        const Damage& damage);
    // `err` is the errno behind `code`, 0 when there is none.
    void ReportSystemError(uint32_t code, int32_t op, uint32_t offset, int32_t err);

    // The position failures are reported at; the test kinds may set it.
    uint32_t filePos = 0;

protected:
    CDVXThreadData* record;
    uint32_t shortReadWaitMs;

private:
    // Records the platform layer's last error.
    void ReportLastError(int32_t op, uint32_t offset);
    // The file has its name, which the record learns too.
    void Named(std::string_view name);
    // Names the file before the share is asked to create it, and unnames it
    // when no file was made: a create that the share holds, then answers, is
    // still a file the record names.
    platform::FileApi::Naming TrackNames();
    // `call`'s result, the call marked in the record while it lasts, on the
    // file (on the directory while the file has no name).
    template <typename F>
    auto Watched(int32_t op, F call) {
        CallWatch watch(record, op, filePos, slot);
        return call();
    }

    Chaine fileName;
    platform::FileId fileId;
    Chaine directory;
    Chaine prefix;
    bool buffered;
    bool owned = true;  // made by this cycle, which deletes it
    int slot = -1;      // the record's place for this file's name
    platform::FileHandle handle = platform::kNullHandle;
};
