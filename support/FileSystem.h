#pragma once
#include "support/Chaine.h"

// Path and file-system queries. All report failure through their result.
// Any thread.

// True for "\\server\share" paths without asking the system, and for paths
// whose mount is a network file system; false for drive letters (there are
// none here), local disks, RAM disks and removable media. An empty or relative
// path follows the current directory.
bool IsNetworkPath(const Chaine& path);
// The file system that serves a path, found as IsNetworkPath finds it.
struct ShareClient {
    Chaine type;    // as the mount table names it: "fuse.sshfs", "nfs4"...
    Chaine source;  // the mount's source: "user@host:/dir", "//server/share"...
    bool network = false;
    // The client keeps written data in a local cache before sending it to
    // the server: reading it back proves nothing of the server.
    bool cachesWrites = false;
};
ShareClient GetShareClient(const Chaine& path);
// A bare drive, server, share or "/", one trailing separator ignored.
bool IsRootPath(const Chaine& path);
bool DirectoryExists(const Chaine& path);
bool PathExists(const Chaine& path);
// Whether `folder` holds a file whose name matches one of the `|`-separated
// wildcard patterns (case ignored). An empty pattern list matches nothing.
bool FolderHoldsExpectedFile(const Chaine& folder, const Chaine& patterns);
// Creates the directory and every missing parent; true when it exists at the
// end. Levels made before a failure stay.
bool CreateDirectoryPath(const Chaine& path);
// The system's temporary directory with its trailing separator, read once for
// the whole process; every caller gets a private copy. Empty when the system
// has none (asked again at the next call).
Chaine GetTempDirectory();
// The default data folder from the system-wide settings ("/mnt/Quarn/Dossiers"
// when there is none), one trailing separator removed. The result says whether
// the setting was read; with `create`, a missing folder is made, and failing
// to make it gives false.
bool GetFoldersBase(Chaine& folder, bool create);
