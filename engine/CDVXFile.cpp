#include "engine/CDVXFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/CDVXThreadData.h"
#include "platform/Clock.h"
#include "platform/SystemError.h"
#include "support/PathText.h"

using platform::FileApi;
using platform::LastError;

CDVXFile::CDVXFile(const Chaine& dir, CDVXThreadData* rec, bool isBuffered, const Chaine& pfx,
                   uint32_t shortReadWait)
    : record(rec),
      shortReadWaitMs(shortReadWait),
      directory(dir),
      prefix(pfx),
      buffered(isBuffered) {
    RecordGuard guard(record);
    slot = record->ClaimFileSlot();
}

CDVXFile::~CDVXFile() {
    if (IsOpen())
        Watched(CDVXThreadData::kCloseHandle, [&] { return FileApi::Close(handle, false); });
    if (!owned) fileName.Empty();
    if (!fileName.IsEmpty() &&
        Watched(CDVXThreadData::kDeleteFile, [&] { return FileApi::Delete(fileName.View()); })) {
        fileName.Empty();
    }
    // A name still there is a file left behind.
    RecordGuard guard(record);
    if (fileName.IsEmpty()) record->SetFileName(slot, fileName);
    record->ReleaseFileSlot(slot);
}

void CDVXFile::Named(std::string_view name) {
    fileName = Chaine(name);
    RecordGuard guard(record);
    record->SetFileName(slot, fileName);
}

FileApi::Naming CDVXFile::TrackNames() {
    return [this](std::string_view name) { Named(name); };
}

Chaine CDVXFile::GetName() {
    if (fileName.IsEmpty()) {
        std::string name;
        const bool made = Watched(CDVXThreadData::kGetTempFileName, [&] {
            return FileApi::MakeTempFileName(directory.View(), prefix.View(), &name, &fileId,
                                             TrackNames());
        });
        if (!made) {
            ReportLastError(CDVXThreadData::kGetTempFileName, filePos);
            return Chaine();
        }
    }
    return fileName;
}

bool CDVXFile::Open(Access access) {
    if (IsOpen()) return true;
    if (fileName.IsEmpty()) {
        std::string name;
        handle = Watched(CDVXThreadData::kGetTempFileName, [&] {
            return FileApi::CreateTempFile(directory.View(), prefix.View(), !buffered, &name,
                                           &fileId, TrackNames());
        });
        if (!IsOpen()) {
            ReportLastError(CDVXThreadData::kGetTempFileName, filePos);
            return false;
        }
        return true;
    }
    handle = Watched(CDVXThreadData::kCreateFile,
                     [&] { return FileApi::Open(fileName.View(), access, !buffered, fileId); });
    if (!IsOpen()) {
        ReportLastError(CDVXThreadData::kCreateFile, filePos);
        return false;
    }
    return true;
}

bool CDVXFile::Close(bool deleteFile) {
    if (IsOpen()) {
        // A write-through file, every write of which reached the server before
        // it returned, is dropped from this machine's cache, so that reading it
        // again asks the server for what it really holds. A file about to be
        // deleted is not read again.
        const bool closed = Watched(CDVXThreadData::kCloseHandle, [&] {
            return FileApi::Close(handle, !buffered && !deleteFile);
        });
        if (!closed) {
            ReportLastError(CDVXThreadData::kCloseHandle, filePos);
        }
        handle = platform::kNullHandle;
    }
    if (deleteFile && owned && !fileName.IsEmpty()) {
        const bool deleted =
            Watched(CDVXThreadData::kDeleteFile, [&] { return FileApi::Delete(fileName.View()); });
        if (!deleted) {
            ReportLastError(CDVXThreadData::kDeleteFile, filePos);
            return false;
        }
        fileName.Empty();
        RecordGuard guard(record);
        record->SetFileName(slot, fileName);
    }
    return true;
}

bool CDVXFile::Reopen(Access access) {
    Close(false);
    return Open(access);
}

void CDVXFile::SetNameToCheck(std::string_view name) {
    owned = false;
    Named(PathText::Join(directory, name).View());
}

bool CDVXFile::OpenToCheck() {
    uint64_t size = 0;
    handle = Watched(CDVXThreadData::kCreateFile,
                     [&] { return FileApi::OpenToRead(fileName.View(), &size); });
    if (!IsOpen()) {
        ReportLastError(CDVXThreadData::kCreateFile, filePos);
        return false;
    }
    FileApi::ForgetCached(handle);
    return true;
}

bool CDVXFile::Keep() {
    const bool closed = Close(false);
    Named(std::string_view());
    return closed;
}

bool CDVXFile::Read(void* buffer, uint32_t n, uint32_t* bytesRead) {
    *bytesRead = 0;
    const bool ok = Watched(CDVXThreadData::kReadFile,
                            [&] { return FileApi::Read(handle, buffer, n, bytesRead); });
    if (!ok) {
        ReportLastError(CDVXThreadData::kReadFile, filePos);
        return false;
    }
    record->AddBytesRead(CDVXThreadData::Slot(buffered), *bytesRead);
    return true;
}

bool CDVXFile::Write(const void* buffer, uint32_t n) {
    uint32_t written = 0;
    const bool ok = Watched(CDVXThreadData::kWriteFile, [&] {
        return FileApi::Write(handle, buffer, n, &written) && written == n;
    });
    if (!ok) {
        ReportLastError(CDVXThreadData::kWriteFile, filePos);
        return false;
    }
    record->AddBytesWritten(CDVXThreadData::Slot(buffered), n);
    return true;
}

bool CDVXFile::Seek(int32_t offset) {
    const bool ok = Watched(CDVXThreadData::kSetFilePointer, [&] {
        return offset < 0 ? FileApi::Seek(handle, int64_t{offset} + 1, SEEK_END)
                          : FileApi::Seek(handle, offset, SEEK_SET);
    });
    if (!ok) {
        const uint32_t at =
            offset > 0 ? filePos + static_cast<uint32_t>(offset) : static_cast<uint32_t>(offset);
        ReportLastError(CDVXThreadData::kSetFilePointer, at);
    }
    return ok;
}

bool CDVXFile::SeekTo(uint32_t position) {
    const bool ok = Watched(CDVXThreadData::kSetFilePointer,
                            [&] { return FileApi::Seek(handle, position, SEEK_SET); });
    if (!ok) ReportLastError(CDVXThreadData::kSetFilePointer, position);
    return ok;
}

bool CDVXFile::Resize(uint32_t size) {
    const bool ok =
        Watched(CDVXThreadData::kSetEndOfFile, [&] { return FileApi::Resize(handle, size); });
    if (!ok) ReportLastError(CDVXThreadData::kSetEndOfFile, size);
    return ok;
}

bool CDVXFile::RenameOver(CDVXFile& target) {
    // A client that keeps Windows' sharing rules renames no open file: closed,
    // it may, once its server has seen the closes.
    const auto rename = [&] {
        return FileApi::Rename(fileName.View(), target.fileName.View(), !IsOpen());
    };
    bool ok = Watched(CDVXThreadData::kMoveFile, rename);
    if (!ok && IsOpen() && LastError::GetErrno() == EBUSY) {
        Close(false);
        ok = Watched(CDVXThreadData::kMoveFile, rename);
    }
    if (!ok) {
        ReportLastError(CDVXThreadData::kMoveFile, filePos);
        return false;
    }
    const Chaine name = target.fileName;
    target.Named(std::string_view());
    Named(name.View());
    return true;
}

bool CDVXFile::WriteBlocks(const void* buffer, uint32_t blockSize, uint32_t total) {
    for (uint64_t done = 0; done < total; done += blockSize) {
        if (record->MustAbort()) return true;  // an abort is not a failure of this loop
        const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(blockSize, total - done));
        if (!Write(buffer, n)) return false;
        filePos += n;
    }
    return true;
}

bool CDVXFile::ReadAndCompare(const void* expected, uint32_t blockSize, uint32_t total) {
    if (total == 0) return true;
    // Read in whole blocks, several at once, each compared as a read of that
    // block alone would be: what is told of it is the same, for a fraction of
    // the calls. A read that comes back short, even by a byte, is a failure,
    // as a block's would be. One buffer for the whole read-back, left
    // uninitialised: every byte compared is a byte read.
    const uint32_t perRead = std::min(std::max(kReadAtOnce / blockSize, 1u) * blockSize, total);
    const auto pieces = std::make_unique_for_overwrite<unsigned char[]>(perRead);
    const auto* pattern = static_cast<const unsigned char*>(expected);
    for (uint64_t done = 0; done < total;) {
        if (record->MustAbort()) return true;
        const uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(perRead, total - done));
        uint32_t got = 0;
        if (!Read(pieces.get(), want, &got)) return false;
        if (got < want) platform::Clock::Sleep(shortReadWaitMs);
        for (uint32_t at = 0; at < want; at += blockSize) {
            const unsigned char* block = pieces.get() + at;
            const uint32_t wanted = std::min(blockSize, want - at);
            const uint32_t came = got > at ? std::min(wanted, got - at) : 0;
            const bool differ = came > 0 && std::memcmp(block, pattern, came) != 0;
            if (differ || came < wanted) {
                const Damage damage =
                    differ ? Damage::InPattern(pattern, blockSize, block, came, filePos)
                           : Damage{.kind = Damage::kEndMissing,
                                    .count = static_cast<uint32_t>(total - done - at - came)};
                ReportMismatch(expected, block, came, filePos, damage);
                filePos += came;
                return false;
            }
            filePos += came;
        }
        done += want;
    }
    return true;
}

void CDVXFile::ReportMismatch(const void* expected, const void* read, uint32_t count, uint32_t base,
                              const Damage& damage) {
    RecordGuard guard(record);
    record->RecordMismatch(expected, count, read, count, base, damage);
}

void CDVXFile::ReportSystemError(uint32_t code, int32_t op, uint32_t offset, int32_t err) {
    RecordGuard guard(record);
    record->RecordSystemError(code, op, offset, err);
}

void CDVXFile::ReportLastError(int32_t op, uint32_t offset) {
    ReportSystemError(LastError::Get(), op, offset, LastError::GetErrno());
}
