#include "report/ReportText.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "engine/CDVXProgressData.h"
#include "engine/CDVXThreadData.h"
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

ReportText::Category ReportText::CategoryOf(const CDVXThreadData& r) {
    switch (r.errorKind) {
        case CDVXThreadData::kSystemError: return r.winerr == 112 ? kDiskFull : kIoError;
        case CDVXThreadData::kDataError:
            return r.datawait.IsEmpty() && r.dataget.IsEmpty() ? kTruncated : kDataDiffer;
        default: return kInternal;
    }
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
    static const char* const kNames[] = {"CreateFile",      "CloseHandle",    "ReadFile",
                                         "WriteFile",       "SetFilePointer", "DeleteFile",
                                         "GetTempFileName", "CopyFile",       "GetTempPath",
                                         "GetFileAttributes"};
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

Chaine ReportText::WinErrText(uint32_t winerr, int32_t sysErrno, uint32_t stallSeconds,
                              const Chaine& stallFile) {
    Chaine text = SystemMessage(winerr, sysErrno, stallSeconds, stallFile);
    Chaine code;
    code.Format(" (WinErr:%d)", static_cast<int>(winerr));
    return text + code;
}

Chaine ReportText::BuildReport(const CDVXThreadData& record, uint32_t startTicks) {
    const Category category = CategoryOf(record);
    const unsigned id = category == kIoError && ClientRefused(record.sysErrno)
                            ? res::kClientRefusedReport
                            : DocumentOf(category);
    Chaine document;
    if (!document.LoadResourceText(id, "RTF")) return Chaine();
    ExpandPlaceholders(document, record, startTicks);
    return document;
}

void ReportText::ExpandPlaceholders(Chaine& document, const CDVXThreadData& record,
                                    uint32_t startTicks) {
    Replace(document, "%testname%", record.testname);
    Replace(document, "%tstdir%", record.tstdir);
    Chaine position;
    position.Format("%lld", static_cast<long long>(PositionValue(record.position)));
    Replace(document, "%position%", position);
    Replace(document, "%testtime%",
            CDVXProgressData::FormatDuration(record.failTicks - startTicks));
    Replace(document, "%localtime%",
            FormatTimeOfDay(TimeOfDay::FromSystemTime(record.localtime), 1, ':'));
    if (record.errorKind == CDVXThreadData::kSystemError) {
        Replace(document, "%operation%", OperationName(record.operation));
        Replace(document, "%winerr%",
                WinErrText(record.winerr, record.sysErrno, record.stallSeconds, record.stallFile));
        Replace(document, "%errno%", record.sysErrno ? ErrnoText(record.sysErrno) : Chaine());
    } else if (record.errorKind == CDVXThreadData::kDataError) {
        Replace(document, "%datawait%", record.datawait);
        Replace(document, "%dataget%", record.dataget);
    }
}
