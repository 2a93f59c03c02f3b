#pragma once
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/kept/KeptList.h"
#include "report/result/ResultDocument.h"
#include "support/Chaine.h"

// What becomes of the files a run kept, at the end of the run and at the end
// of their check: the one place they are listed or deleted. Main thread.
class KeptFiles {
public:
    // The end of a run with --keep: once it ended "ok" (`ok`), `list` is
    // written to `path` and `kept` says so; otherwise, or when the list
    // cannot be written or would be empty (said on `err`), its files are
    // deleted, and those that cannot be go to `left`. False when no list
    // was written for a run that ended "ok".
    static bool Settle(const std::string& path, const KeptList& list, bool ok, std::FILE* err,
                       std::optional<ResultKept>* kept, std::vector<Chaine>* left);
    // The list at `path`; false, the reason said on `err`.
    static bool Load(const std::string& path, KeptList* list, std::FILE* err);
    // Deletes the files of `list` from `directory`; those that cannot be go
    // to `left`. False when one could not be deleted.
    static bool Delete(const KeptList& list, const Chaine& directory, std::vector<Chaine>* left);
    // What the result says of them.
    static ResultKept Described(const std::string& path, const KeptList& list);
};
