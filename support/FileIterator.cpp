#include "support/FileIterator.h"

#include "platform/Mounts.h"
#include "support/PathText.h"
#include "support/Wildcard.h"

using platform::DriveType;

namespace {

Chaine WithSeparator(const Chaine& dir) {
    if (dir.IsEmpty() || PathText::IsSeparator(dir[dir.GetLength() - 1])) return dir;
    return dir + Chaine("/");
}

// Which drive kinds each pseudo-pattern keeps.
bool KeepDrive(const Chaine& pattern, DriveType type) {
    switch (type) {
        case DriveType::Unknown:
        case DriveType::NoRootDir: return false;
        case DriveType::Removable:
        case DriveType::CdRom:
        case DriveType::RamDisk:
            return !(MatchWildcard(pattern, Chaine("<HardDrives>"), true, true) > 0);
        case DriveType::Fixed: return true;
        case DriveType::Remote:
            return !(MatchWildcard(pattern, Chaine("<HardDrives>"), true, true) > 0) &&
                   !(MatchWildcard(pattern, Chaine("<LocalDrives>"), true, true) > 0);
    }
    return true;
}

}  // namespace

Chaine FileIterator::GetPath() const { return current.directory + current.name; }

bool FileIterator::MatchesAny(const Chaine& text, const PTableau<Chaine>& patterns) {
    for (std::size_t i = 0; i < patterns.GetCount(); ++i) {
        if (MatchWildcard(text, patterns[i], true, true) > 0) return true;
    }
    return false;
}

bool FileIterator::AcceptDirectory(const Chaine& containingDirectory) {
    if ((flags & kRefuseHidden) && current.hidden) return false;
    if (current.name == "." || current.name == "..") return false;
    return !MatchesAny(containingDirectory + current.name, directoryExclusions);
}

bool FileIterator::AcceptFile(const Chaine& containingDirectory) {
    if ((flags & kRefuseHidden) && current.hidden) return false;
    if (folderInclusions.GetCount() > 0) {
        const std::string_view dir = containingDirectory.View();
        const bool bare = dir.size() > 1 && PathText::IsSeparator(dir.back());
        if (!MatchesAny(Chaine(bare ? dir.substr(0, dir.size() - 1) : dir), folderInclusions)) {
            return false;
        }
    }
    return PassesFileLists();
}

bool FileIterator::PassesFileLists() const {
    if (MatchesAny(current.name, fileExclusions)) return false;
    return fileInclusions.GetCount() == 0 || MatchesAny(current.name, fileInclusions);
}

void FileIterator::ListDrives() {
    for (const auto& mount : platform::Mounts::List()) {
        if (!KeepDrive(search, mount.type)) continue;
        entries.push_back(Entry{Chaine(std::string_view(mount.path)), Chaine(), true, false});
    }
}

bool FileIterator::ListNextDirectory() {
    if (pendingDirectories.GetCount() == 0) return false;
    const Chaine dir = pendingDirectories[0];
    pendingDirectories.RemoveAt(0);
    std::vector<platform::DirEntry> listed;
    entries.clear();
    nextEntry = 0;
    if (!platform::FileInfo::List(dir.IsEmpty() ? std::string_view(".") : dir.View(), &listed)) {
        return true;  // an unreadable directory has no entries
    }
    for (const auto& e : listed) {
        entries.push_back(Entry{Chaine(std::string_view(e.name)), dir, e.isDirectory, e.hidden});
    }
    return true;
}

bool FileIterator::First() {
    entries.clear();
    nextEntry = 0;
    pendingDirectories.RemoveAll();
    listingDrives = MatchWildcard(search, Chaine("<*>"), true, true) > 0;
    if (listingDrives) {
        ListDrives();
    } else {
        namePattern = PathText::GetFileName(search);
        if (namePattern.IsEmpty()) namePattern = "*";
        pendingDirectories.Add(WithSeparator(PathText::GetDirectory(search)));
        ListNextDirectory();
    }
    return Next();
}

bool FileIterator::Next() {
    for (;;) {
        while (nextEntry < entries.size()) {
            current = entries[nextEntry++];
            if (listingDrives) {
                if (!(flags & kReportDirectories)) continue;
                if ((flags & kPatternsApplyToDirectories) && !PassesFileLists()) continue;
                return true;
            }
            const Chaine& where = current.directory;
            if (current.isDirectory) {
                if (!AcceptDirectory(where)) continue;
                if (flags & kRecurse) pendingDirectories.Add(where + current.name + Chaine("/"));
                if (!(flags & kReportDirectories)) continue;
                if ((flags & kPatternsApplyToDirectories) &&
                    (MatchWildcard(current.name, namePattern, true, true) == 0 ||
                     !PassesFileLists())) {
                    continue;
                }
                return true;
            }
            if (MatchWildcard(current.name, namePattern, true, true) == 0) continue;
            if (AcceptFile(where)) return true;
        }
        if (listingDrives || !ListNextDirectory()) return false;
    }
}
