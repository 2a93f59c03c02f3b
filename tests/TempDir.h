#pragma once
#include <map>
#include <ostream>
#include <string>

#include "support/Chaine.h"

// A fresh directory, removed with everything in it when the object goes.
class TempDir {
public:
    // Under `base`; /tmp (which may well be a tmpfs) when it is empty.
    explicit TempDir(const std::string& base = "");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// A directory on a real disk: /var/tmp unless it is held in memory (tmpfs, ramfs),
// else the first writable mount of a block device; empty when none (callers skip).
std::string LocalDiskBase();

// A tmpfs of a chosen size on a fresh directory (or over `mountPoint`), for a real
// full disk. Without root, Mounted() is false (callers skip); as root, a failure.
class TmpfsMount {
public:
    explicit TmpfsMount(const std::string& size, const std::string& options = "",
                        const std::string& mountPoint = "");
    ~TmpfsMount();

    bool Mounted() const { return m_mounted; }
    const std::string& Path() const { return m_path; }

private:
    TempDir m_dir;  // no copies
    std::string m_path;
    bool m_mounted = false;
};

// Every name below `dir` (relative name → a file's content, or the kind of
// anything else), to show that a run left a directory exactly as it found it.
std::map<std::string, std::string> Snapshot(const std::string& dir);

void WriteFile(const std::string& path, const std::string& content);
// Empty when the file cannot be opened; never throws.
std::string ReadFile(const std::string& path);

std::string Listing(const std::string& dir);  // the names below `dir`, sorted

// Lets failing assertions show a Chaine as its text.
inline void PrintTo(const Chaine& text, std::ostream* os) { *os << '"' << text.ToUtf8() << '"'; }
