#include "report/ReportText.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "engine/CDVXProgressData.h"
#include "engine/Damage.h"
#include "engine/RunSnapshot.h"
#include "platform/ResourceIds.h"
#include "platform/SystemError.h"
#include "support/TimeText.h"

namespace {

void Replace(Chaine& document, const char* placeholder, Chaine value) {
    Chaine escaped(placeholder);
    escaped.EscapeToRtf();
    value.EscapeToRtf();
    document.ReplaceAll(escaped, value, true);
}

// "EPERM : Operation not permitted": the system's own name and text of an
// errno, as SystemError gives them for the errnos it has no code for.
Chaine ErrnoText(int32_t err) {
    const char* name = strerrorname_np(err);
    const char* text = strerrordesc_np(err);
    std::string out = name ? name : "errno " + std::to_string(err);
    if (text) out.append(" : ").append(text);
    return Chaine::FromUtf8(out);
}

}  // namespace

ReportText::Category ReportText::CategoryOf(const TestFailure& f) {
    switch (f.errorKind) {
        case TestFailure::kSystemError:
            return f.winerr == platform::SystemError::kDiskFull ? kDiskFull : kIoError;
        case TestFailure::kDataError:
            return f.datawait.IsEmpty() && f.dataget.IsEmpty() ? kTruncated : kDataDiffer;
        default: return kInternal;
    }
}

const char* ReportText::CategoryName(Category category) {
    switch (category) {
        case kDiskFull: return "disk-full";
        case kIoError: return "io-error";
        case kDataDiffer: return "data-differ";
        case kTruncated: return "truncated";
        case kInternal: break;
    }
    return "internal";
}

unsigned ReportText::DocumentOf(Category category) {
    switch (category) {
        case kDiskFull: return res::kDiskFullReport;
        case kIoError: return res::kIoErrorReport;
        case kDataDiffer: return res::kDataDifferReport;
        case kTruncated: return res::kTruncatedReport;
        case kInternal: break;
    }
    return res::kInternalReport;
}

bool ReportText::ClientRefused(int32_t sysErrno) {
    // ENOTSUP is EOPNOTSUPP here.
    return sysErrno == EPERM || sysErrno == ESPIPE || sysErrno == EOPNOTSUPP || sysErrno == ENOSYS;
}

int64_t ReportText::PositionValue(uint32_t position) {
    return position == 0xFFFFFFFFu ? -1 : int64_t{position};
}

Chaine ReportText::OperationName(int32_t operation) {
    static const char* const kNames[] = {
        "CreateFile", "CloseHandle",     "ReadFile", "WriteFile",   "SetFilePointer",
        "DeleteFile", "GetTempFileName", "CopyFile", "GetTempPath", "GetFileAttributes",
        "SetEndOfFile", "MoveFileEx"};
    constexpr int32_t kCount = sizeof kNames / sizeof kNames[0];
    return operation >= 1 && operation <= kCount ? Chaine(kNames[operation - 1])
                                                 : Chaine("<inconnue>");
}

Chaine ReportText::SystemMessage(uint32_t winerr, int32_t sysErrno, uint32_t stallSeconds,
                                 const Chaine& stallFile) {
    Chaine text;
    text.GetSystemErrorText(winerr);
    text.ReplaceChar('\r', ' ');
    text.ReplaceChar('\n', ' ');
    const std::string unmapped = platform::SystemError::UnmappedText(sysErrno);
    const Chaine detail =
        ClientRefused(sysErrno) ? ErrnoText(sysErrno) : Chaine(std::string_view(unmapped));
    if (!detail.IsEmpty()) {
        if (!text.IsEmpty()) text += ' ';
        text += '(';
        text += detail;
        text += ')';
    }
    if (stallSeconds != 0) {
        Chaine stall;
        stall.Format(Chaine(Chaine::ResourceId(res::kStallText)).c_str(), stallSeconds,
                     stallFile.c_str());
        if (!text.IsEmpty()) text += ' ';
        text += stall;
    }
    return text;
}

Chaine ReportText::MessageWithCode(uint32_t winerr, int32_t sysErrno, uint32_t stallSeconds,
                                   const Chaine& stallFile) {
    const Chaine name = ErrnoName(sysErrno);
    Chaine code;
    code.Format(name.IsEmpty() ? " (%scode %u)" : " (%s, code %u)", name.c_str(), winerr);
    return SystemMessage(winerr, sysErrno, stallSeconds, stallFile) + code;
}

Chaine ReportText::ErrnoName(int32_t sysErrno) {
    const char* name = sysErrno != 0 ? strerrorname_np(sysErrno) : nullptr;
    return name ? Chaine(name) : Chaine();
}

Chaine ReportText::DamageText(const Damage& d) {
    Chaine text;
    if (d.kind <= Damage::kNone || d.kind > Damage::kOtherTestData) return text;
    const Chaine format(
        Chaine::ResourceId(res::kDamageZeros + static_cast<unsigned>(d.kind - Damage::kZeros)));
    const auto count = static_cast<unsigned long long>(d.count);
    const auto where = static_cast<long long>(d.where);
    switch (d.kind) {
        case Damage::kOtherWrite: return text.Format(format.c_str(), count, d.expected);
        case Damage::kOtherPlace:
        case Damage::kShiftedCopy: return text.Format(format.c_str(), where);
        case Damage::kOtherFile: return text.Format(format.c_str(), d.file, where);
        case Damage::kOtherClient:
        case Damage::kForeignBytes:
        case Damage::kCutNotMade:
        case Damage::kOtherTestData: return format;
        default: return text.Format(format.c_str(), count);
    }
}

const char* ReportText::DamageName(int32_t kind) {
    static const char* const kNames[] = {"zeros",         "other-write",  "other-place",
                                         "other-file",    "other-client", "flipped-bits",
                                         "foreign-bytes", "shifted-copy", "end-missing",
                                         "end-extra",     "cut-not-made", "other-test-data"};
    return kind >= Damage::kZeros && kind <= Damage::kOtherTestData
               ? kNames[kind - Damage::kZeros]
               : "";
}

Chaine ReportText::OneLine(const TestSnapshot& test) {
    const TestFailure& f = test.failure;
    Chaine what;
    switch (CategoryOf(f)) {
        case kDiskFull:
        case kIoError:
            what = OperationName(f.operation) + " : " +
                   SystemMessage(f.winerr, f.sysErrno, f.stallSeconds, f.stallFile);
            break;
        case kDataDiffer: what = Chaine(Chaine::ResourceId(res::kDataDifferLine)); break;
        case kTruncated: what = Chaine(Chaine::ResourceId(res::kTruncatedLine)); break;
        case kInternal: what = Chaine(Chaine::ResourceId(res::kInternalLine)); break;
    }
    const Chaine damage = DamageText(f.damage);
    if (f.errorKind == TestFailure::kDataError && !damage.IsEmpty()) what += " : " + damage;
    Chaine line;
    return line.Format(Chaine(Chaine::ResourceId(res::kFailureLine)).c_str(), test.testname.c_str(),
                       test.tstdir.c_str(), what.c_str());
}

Chaine ReportText::BuildReport(const TestSnapshot& test, uint32_t startTicks) {
    const TestFailure& f = test.failure;
    const Category category = CategoryOf(f);
    const unsigned id = category == kIoError && ClientRefused(f.sysErrno)
                            ? res::kClientRefusedReport
                            : DocumentOf(category);
    Chaine document;
    if (!document.LoadResourceText(id, "RTF")) return Chaine();
    ExpandPlaceholders(document, test, startTicks);
    Chaine damage = DamageText(f.damage);
    if (f.errorKind == TestFailure::kDataError && !damage.IsEmpty()) {
        // One line more after the document's own fields, in their style.
        Chaine label(Chaine::ResourceId(res::kDamageLabel));
        label.EscapeToRtf();
        damage.EscapeToRtf();
        const std::string_view text = document.View();
        const std::size_t end = text.rfind('}');
        if (end != std::string_view::npos) {
            document = Chaine(text.substr(0, end)) + "\\pard\\b\\f2\\fs20 " + label +
                       " \\b0\\i " + damage + "\\i0\\par\n" + Chaine(text.substr(end));
        }
    }
    return document;
}

void ReportText::ExpandPlaceholders(Chaine& document, const TestSnapshot& test,
                                    uint32_t startTicks) {
    const TestFailure& f = test.failure;
    Replace(document, "%testname%", test.testname);
    Replace(document, "%tstdir%", test.tstdir);
    Chaine position;
    position.Format("%lld", static_cast<long long>(PositionValue(f.position)));
    Replace(document, "%position%", position);
    Replace(document, "%testtime%", CDVXProgressData::FormatDuration(f.failTicks - startTicks));
    Replace(document, "%localtime%",
            FormatTimeOfDay(TimeOfDay::FromSystemTime(f.localtime), 1, ':'));
    if (f.errorKind == TestFailure::kSystemError) {
        Replace(document, "%operation%", OperationName(f.operation));
        Replace(document, "%winerr%",
                MessageWithCode(f.winerr, f.sysErrno, f.stallSeconds, f.stallFile));
        Replace(document, "%errno%", f.sysErrno ? ErrnoText(f.sysErrno) : Chaine());
    } else if (f.errorKind == TestFailure::kDataError) {
        Replace(document, "%datawait%", f.datawait);
        Replace(document, "%dataget%", f.dataget);
    }
}
