#include "support/FileSystem.h"

#include <mutex>

#include "platform/FileApi.h"
#include "platform/FileInfo.h"
#include "platform/Mounts.h"
#include "platform/SystemSettings.h"
#include "support/FileIterator.h"
#include "support/PathText.h"
#include "support/TextList.h"

using platform::DriveType;

namespace {

constexpr const char* kDefaultFoldersBase = "/mnt/Quarn/Dossiers";

Chaine WithoutTrailingSeparators(const Chaine& path) {
    std::string_view p = path.View();
    while (p.size() > 1 && PathText::IsSeparator(p.back())) p.remove_suffix(1);
    return Chaine(p);
}

bool IsBareDrive(const Chaine& path) { return path.GetLength() == 2 && path[1] == ':'; }

// "\\server\share" written the Windows way. A path that starts with two
// slashes is an ordinary absolute path here: "//tmp/x" is "/tmp/x".
bool IsShareNotation(std::string_view p) {
    return p.size() >= 2 && p[0] == '\\' && PathText::IsSeparator(p[1]);
}

}  // namespace

bool IsNetworkPath(const Chaine& path) { return GetShareClient(path).network; }

ShareClient GetShareClient(const Chaine& path) {
    const std::string_view p = path.View();
    ShareClient found;
    if (IsShareNotation(p)) {
        found.network = true;
        return found;
    }
    if (p.size() >= 2 && p[1] == ':') return found;  // drive letters do not exist here
    const std::string where = p.empty() ? platform::FileInfo::CurrentDirectory() : std::string(p);
    const platform::Mounts::Client client = platform::Mounts::ClientOf(where);
    found.type = Chaine(std::string_view(client.type));
    found.source = Chaine(std::string_view(client.source));
    found.network = client.drive == DriveType::Remote;
    found.cachesWrites = client.cachesWrites;
    return found;
}

bool IsRootPath(const Chaine& path) {
    if (path == "/" || path == "\\") return true;
    if (path.GetLength() < 2) return false;
    const Chaine bare = WithoutTrailingSeparators(path);
    if (bare == "/" || IsBareDrive(bare)) return true;  // "//" and "///" are "/"
    const std::string_view p = bare.View();
    if (!IsShareNotation(p)) return false;
    // \\server or \\server\share: at most one separator after the leading pair.
    const std::size_t server = p.find_first_of("\\/", 2);
    return server != 2 && (server == std::string_view::npos ||
                           p.find_first_of("\\/", server + 1) == std::string_view::npos);
}

bool DirectoryExists(const Chaine& path) {
    const Chaine bare = IsRootPath(path) ? path : WithoutTrailingSeparators(path);
    if (bare.IsEmpty() || PathText::HasInvalidNameChar(bare)) return false;
    bool isDirectory = false;
    return platform::FileInfo::Exists(bare.View(), &isDirectory) && isDirectory;
}

bool PathExists(const Chaine& path) {
    return !path.IsEmpty() && platform::FileInfo::Exists(path.View());
}

bool FolderHoldsExpectedFile(const Chaine& folder, const Chaine& patterns) {
    FileIterator files;
    for (const Chaine& pattern : SplitText(patterns)) {
        if (!pattern.IsEmpty()) files.FileInclusions().Add(pattern);
    }
    if (files.FileInclusions().GetCount() == 0) return false;
    files.SetSearch(folder + Chaine("/"));
    return files.First();
}

bool CreateDirectoryPath(const Chaine& path) {
    Chaine clean = PathText::RemoveDots(path);
    if (clean.IsEmpty()) return true;
    if (clean.GetLength() > 1 && PathText::IsSeparator(clean[clean.GetLength() - 1])) {
        clean = Chaine(clean.View().substr(0, clean.GetLength() - 1));
    }
    if (IsRootPath(clean) || DirectoryExists(clean)) return true;
    const Chaine parent = PathText::GetDirectory(clean);
    if (!parent.IsEmpty() && !IsBareDrive(parent) && !DirectoryExists(parent) &&
        !CreateDirectoryPath(parent)) {
        return false;
    }
    return platform::FileInfo::MakeDirectory(clean.View());
}

Chaine GetTempDirectory() {
    static std::mutex mutex;
    // Never destroyed: a test thread may still ask while the process exits.
    static Chaine& cached = *new Chaine;
    std::lock_guard<std::mutex> guard(mutex);
    if (cached.IsEmpty()) {
        std::string path;
        if (platform::FileApi::GetTempPath(&path)) cached = Chaine(std::string_view(path));
    }
    return cached.PrivateCopy();
}

bool GetFoldersBase(Chaine& folder, bool create) {
    std::string value;
    const bool read =
        platform::SystemSettings::Read("Settings", "FoldersBase", &value) && !value.empty();
    folder = read ? Chaine(std::string_view(value)) : Chaine(kDefaultFoldersBase);
    if (folder.GetLength() > 1 && PathText::IsSeparator(folder[folder.GetLength() - 1])) {
        folder = Chaine(folder.View().substr(0, folder.GetLength() - 1));
    }
    if (create && !PathExists(folder) && !CreateDirectoryPath(folder)) return false;
    return read;
}
