#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

using FileHandle = int;
inline constexpr FileHandle kNullHandle = -1;

// Which file a name stood for when the program created it. A name is only a
// name: another process may put something else there between two opens.
struct FileId {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t birth = 0;  // 0 where the file system keeps no birth time

    // The same regular file; birth times are compared where both are known.
    bool Matches(const FileId& other) const {
        return inode != 0 && device == other.device && inode == other.inode &&
               (birth == 0 || other.birth == 0 || birth == other.birth);
    }
};

// The file calls of the test engine. Paths are Windows-1252 text with '/'
// separators. Every call reports failure by its result and leaves the code of
// the failure in LastError; calls interrupted by a signal are made again. Any
// thread; a handle belongs to one.
class FileApi {
public:
    // kRewrite empties the file first; kAppend writes at its end whatever
    // the position.
    enum class Access { kRead, kReadWrite, kRewrite, kAppend };
    // Existing content kept. `writeThrough` makes every write reach the
    // storage (the server) before it returns. Only the file `id`, made by
    // MakeTempFileName, is opened: a symbolic link (1117, ELOOP) or any other
    // file found under the name (80) fails before the file is opened at all,
    // and so does a name whose file is gone (2): it is not made again.
    static FileHandle Open(std::string_view path, Access access, bool writeThrough,
                           const FileId& id);

    // One read of at most n bytes (retried when interrupted); *got may be short.
    static bool Read(FileHandle h, void* buffer, uint32_t n, uint32_t* got);

    // Writes all n bytes, looping over partial writes; *written says how many
    // went out before a failing call.
    static bool Write(FileHandle h, const void* buffer, uint32_t n, uint32_t* written);

    // whence as lseek's. The new offset goes to *newOffset when given.
    static bool Seek(FileHandle h, int64_t offset, int whence, uint64_t* newOffset = nullptr);

    // `dropCache` drops the file's cached pages, so that the next read of it
    // comes from the storage and not from this machine's memory. Only pages
    // already written out are dropped: a handle that wrote had to write
    // through for that.
    // The handle is released even when the call fails.
    static bool Close(FileHandle h, bool dropCache);

    static bool Delete(std::string_view path);
    // The file named `from` takes the name `to`, replacing what had it; made
    // again for a second while a file is busy (EBUSY), when asked.
    static bool Rename(std::string_view from, std::string_view to, bool waitWhileBusy);
    // The file's length becomes `size`: cut, or extended with zeros.
    static bool Resize(FileHandle h, uint64_t size);

    // Told each name a temporary file is about to be created under, before
    // the create, then the empty name when no file of the program's has that
    // name after all (it was taken, or the create failed): a caller that must
    // know every file it may have made knows it even while a share holds the
    // create, or answers it late.
    using Naming = std::function<void(std::string_view name)>;
    // Creates, empty, a file named <dir>/<first 3 chars of prefix><XXXX>.TMP that
    // did not exist, and gives its name and which file it is; `naming`, when
    // given, follows the names tried.
    static bool MakeTempFileName(std::string_view dir, std::string_view prefix, std::string* name,
                                 FileId* id, const Naming& naming = {});
    // The same file, left open as Open would open it: one open and one close
    // fewer for the server than making it and opening it again.
    static FileHandle CreateTempFile(std::string_view dir, std::string_view prefix,
                                     bool writeThrough, std::string* name, FileId* id,
                                     const Naming& naming = {});

    // Creates the file `path`, for writing; it must not exist (80 when it
    // does: nothing is replaced). `id` receives which file it is.
    static FileHandle CreateNew(std::string_view path, FileId* id);
    // Opens for reading a file that another program made: a regular file
    // only (a link, a pipe or a directory fail at once), its length in `size`.
    static FileHandle OpenToRead(std::string_view path, uint64_t* size);
    // What this machine holds of the file's data is dropped: the next read
    // asks the storage (the server). Advice only, never a failure.
    static void ForgetCached(FileHandle h);

    // Copies the file `srcId` named src over the file `dstId` named dst, as
    // Open checks them; dst ends with src's content alone. `onStep`, when
    // given, is called after each piece (at most kCopyStep bytes) that went.
    static constexpr std::size_t kCopyStep = 8 << 20;
    static bool Copy(std::string_view src, const FileId& srcId, std::string_view dst,
                     const FileId& dstId, const std::function<void()>& onStep = {});

    // $TMPDIR, else /tmp, with one trailing '/'.
    static bool GetTempPath(std::string* path);

    // The characters that names may not hold here: *?"<>| as elsewhere,
    // backslash (which the text routines would read as a separator), and NUL.
    static constexpr std::string_view kRefusedInNames{"*?\"<>|\\\0", 8};
    // The path for the system (UTF-8); false with 123 in LastError when the
    // path holds one of kRefusedInNames.
    static bool ToSystemPath(std::string_view path, std::string* systemPath);
};

}  // namespace platform
