#include "cli/result/ResultFile.h"

#include "platform/ResourceIds.h"
#include "platform/SystemError.h"
#include "platform/WholeFile.h"
#include "report/ReportText.h"
#include "report/TableText.h"

using platform::WholeFile;

namespace {

// The system's text for a failure; errors are named as for a file being
// made, unless `reading`.
std::string Reason(int error, bool reading) {
    if (error == WholeFile::kNotAFile) return TableText::Get(res::kNotAFile);
    if (error == WholeFile::kTooLarge) return TableText::Get(res::kFileTooLarge);
    return ReportText::SystemMessage(platform::SystemError::FromErrno(error, !reading), error)
        .ToUtf8();
}

}  // namespace

bool ResultFile::Distinct(std::initializer_list<std::string> paths, std::FILE* err) {
    for (auto a = paths.begin(); a != paths.end(); ++a) {
        if (a->empty() || *a == "-") continue;
        for (auto b = a + 1; b != paths.end(); ++b) {
            if (*a != *b && !WholeFile::SameFile(*a, *b)) continue;
            std::fputs(TableText::Format(res::kOneFileTwice, a->c_str()).c_str(), err);
            return false;
        }
    }
    return true;
}

bool ResultFile::CanWrite(const std::string& path, std::string* why) {
    int error = 0;
    if (WholeFile::CanWrite(path, &error)) return true;
    *why = Reason(error, false);
    return false;
}

bool ResultFile::Write(const std::string& path, const std::string& bytes, std::string* why) {
    int error = 0;
    if (WholeFile::Write(path, bytes, &error)) return true;
    *why = Reason(error, false);
    return false;
}

bool ResultFile::Read(const std::string& path, uint32_t maxBytes, std::string* bytes,
                      std::string* why) {
    int error = 0;
    if (WholeFile::Read(path, maxBytes, bytes, &error)) return true;
    *why = Reason(error, true);
    return false;
}

bool ResultFile::CanDeliver(const std::string& path, std::FILE* err) {
    std::string why;
    if (path.empty() || path == "-" || CanWrite(path, &why)) return true;
    SayCannotWrite(err, path, why);
    return false;
}

bool ResultFile::Deliver(const std::string& path, const std::string& bytes, std::FILE* out,
                         std::FILE* err) {
    std::string why;
    if (path != "-") {
        if (Write(path, bytes, &why)) return true;
        SayCannotWrite(err, path, why);
        return false;
    }
    if (std::fputs(bytes.c_str(), out) >= 0 && std::fflush(out) == 0) return true;
    SayCannotWrite(err, TableText::Get(res::kStandardOutput), TableText::Get(res::kResultNotSent));
    return false;
}

void ResultFile::SayCannotWrite(std::FILE* err, const std::string& what, const std::string& why) {
    std::fputs(TableText::Format(res::kCannotWrite, what.c_str(), why.c_str()).c_str(), err);
}
