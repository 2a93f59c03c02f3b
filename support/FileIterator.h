#pragma once
#include <cstdint>
#include <vector>

#include "platform/FileInfo.h"
#include "support/Chaine.h"
#include "support/PTableau.h"

// Walks the entries of a directory (optionally its subdirectories too), or the
// mounted drives, through filters. Configure, then First() and Next() until
// they return false. One thread at a time.
class FileIterator {
public:
    enum Flags : uint8_t {
        kRefuseHidden = 1,                // skip names starting with '.'
        kReportDirectories = 2,           // directories (and drive roots) are entries too
        kPatternsApplyToDirectories = 4,  // ...and must then pass the file lists
        kRecurse = 8,                     // enter accepted subdirectories
    };

    FileIterator() = default;
    virtual ~FileIterator() = default;
    FileIterator(const FileIterator&) = delete;
    FileIterator& operator=(const FileIterator&) = delete;

    // "dir/pattern" (no pattern means every name), or a drive pseudo-pattern:
    // "<HardDrives>", "<LocalDrives>" or any other "<...>" for all drives.
    void SetSearch(const Chaine& pattern) { search = pattern; }
    void SetFlags(uint8_t value) { flags = value; }
    PTableau<Chaine>& FileInclusions() { return fileInclusions; }
    PTableau<Chaine>& FileExclusions() { return fileExclusions; }
    PTableau<Chaine>& FolderInclusions() { return folderInclusions; }
    PTableau<Chaine>& DirectoryExclusions() { return directoryExclusions; }

    bool First();
    bool Next();

    // The current entry.
    const Chaine& GetName() const { return current.name; }
    const Chaine& GetDirectory() const { return current.directory; }
    Chaine GetPath() const;
    bool IsDirectory() const { return current.isDirectory; }

protected:
    // Filters over the current entry, given its containing directory.
    virtual bool AcceptDirectory(const Chaine& containingDirectory);
    virtual bool AcceptFile(const Chaine& containingDirectory);

private:
    struct Entry {
        Chaine name;
        Chaine directory;  // with its trailing separator
        bool isDirectory = false;
        bool hidden = false;
    };

    void ListDrives();
    bool ListNextDirectory();
    bool PassesFileLists() const;
    static bool MatchesAny(const Chaine& text, const PTableau<Chaine>& patterns);

    Chaine search;
    Chaine namePattern;
    bool listingDrives = false;  // a "<...>" search, decided by First()
    uint8_t flags = 0;
    PTableau<Chaine> fileInclusions;
    PTableau<Chaine> fileExclusions;
    PTableau<Chaine> folderInclusions;
    PTableau<Chaine> directoryExclusions;
    PTableau<Chaine> pendingDirectories;
    std::vector<Entry> entries;
    std::size_t nextEntry = 0;
    Entry current;
};
