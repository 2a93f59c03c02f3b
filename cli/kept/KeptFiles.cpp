#include "cli/kept/KeptFiles.h"

#include "cli/result/ResultFile.h"
#include "platform/FileApi.h"
#include "platform/ResourceIds.h"
#include "report/TableText.h"
#include "support/PathText.h"

bool KeptFiles::Settle(const std::string& path, const KeptList& list, bool ok, std::FILE* err,
                       std::optional<ResultKept>* kept, std::vector<Chaine>* left) {
    std::string why;
    // A run that kept nothing has nothing to check later: no list, said so.
    if (ok && list.files.empty()) why = TableText::Get(res::kNothingKept);
    const bool written = !ok || (why.empty() && ResultFile::Write(path, list.Dump(), &why));
    if (!written) ResultFile::SayCannotWrite(err, path, why);
    if (ok && written) {
        *kept = Described(path, list);
    } else {
        Delete(list, Chaine::FromUtf8(list.directory), left);
    }
    return written;
}

bool KeptFiles::Load(const std::string& path, KeptList* list, std::FILE* err) {
    std::string bytes, why;
    if (!ResultFile::Read(path, KeptList::kMaxBytes, &bytes, &why)) {
        std::fprintf(err, "%s\n",
                     TableText::Format(res::kCannotRead, path.c_str(), why.c_str()).c_str());
        return false;
    }
    std::string bad;
    if (KeptList::Parse(bytes, list, &bad)) return true;
    why = TableText::Format(res::kBadMember, bad.c_str());
    std::fputs(TableText::Format(res::kNotAKeptList, path.c_str(), why.c_str()).c_str(), err);
    return false;
}

bool KeptFiles::Delete(const KeptList& list, const Chaine& directory, std::vector<Chaine>* left) {
    bool all = true;
    for (const KeptFile& file : list.files) {
        const Chaine name = PathText::Join(directory, file.name);
        if (platform::FileApi::Delete(name.View())) continue;
        left->push_back(name);
        all = false;
    }
    return all;
}

ResultKept KeptFiles::Described(const std::string& path, const KeptList& list) {
    ResultKept kept{path, list.label, list.startedAt, {}, false};
    for (const KeptFile& file : list.files) kept.files.push_back(file.name);
    return kept;
}
