#include "report/DirectoryProblemText.h"

#include "platform/ResourceIds.h"
#include "platform/SystemError.h"
#include "report/ReportText.h"

namespace {

Chaine Resource(unsigned id) { return Chaine(Chaine::ResourceId(id)); }

}  // namespace

Chaine DirectoryProblemText(const DirectoryCheck::Result& found) {
    const Chaine path(std::string_view(found.path));
    Chaine text;
    switch (found.problem) {
        case DirectoryCheck::kUsable: return text;
        case DirectoryCheck::kNotAbsolute: return Resource(res::kPathNotAbsolute);
        case DirectoryCheck::kInvalidName:
            return text.Format(Resource(res::kPathInvalidName).c_str(), path.c_str());
        case DirectoryCheck::kTooLong: return Resource(res::kPathTooLong);
        case DirectoryCheck::kLinkLoop: return Resource(res::kPathLinkLoop);
        case DirectoryCheck::kMissing:
            return text.Format(Resource(res::kFolderMissing).c_str(), path.c_str());
        case DirectoryCheck::kNotDirectory:
            return text.Format(Resource(res::kNotAFolder).c_str(), path.c_str());
        case DirectoryCheck::kNotWritable:
            // The folder was found a moment ago: "no such file" on making one
            // in it is a file system that takes no new name (/proc), and the
            // system's own text would say the folder is missing.
            if (found.error == platform::SystemError::kFileNotFound ||
                found.error == platform::SystemError::kPathNotFound)
                return Resource(res::kFolderTakesNoNewName);
            return text.Format(Resource(res::kFolderNotWritable).c_str(),
                               ReportText::SystemMessage(found.error, found.sysErrno).c_str());
        case DirectoryCheck::kNoSpace: {
            // Told why the run needs more than the disk space asked.
            const RunFootprint& needed = found.needed;
            if (needed.Raised()) {
                return text.Format(Resource(res::kNotEnoughSpaceForFiles).c_str(), found.freeMb,
                                   needed.Mb(), needed.files);
            }
            return text.Format(Resource(res::kNotEnoughSpace).c_str(), found.freeMb, needed.Mb());
        }
    }
    return text;
}
