#pragma once
#include "support/Chaine.h"

class QWidget;

// The folder-browsing dialog: a tree of folders under `root` ("/" when empty)
// that opens on `path` (or its nearest existing ancestor). `texts` holds
// `|`-separated pieces: the instruction shown above the tree, then the status
// texts shown when the selected folder holds none, or one, of the
// `|`-separated `expectedFiles` patterns; with expected files, OK is enabled
// only on a folder that holds one. True when the user chose a folder, which
// then replaces `path`; false on cancel, `path` untouched. Modal over `owner`.
// User-interface thread only.
bool BrowseForFolder(Chaine& path, const Chaine& texts, const Chaine& expectedFiles, QWidget* owner,
                     const Chaine& root);
