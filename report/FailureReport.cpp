#include "report/FailureReport.h"

#include "engine/CDVXProgressData.h"
#include "report/ReportText.h"

std::vector<FailureReport> FailureReport::Collect(CDVXProgressData& progress) {
    std::vector<FailureReport> reports;
    const CriticalSectionGuard guard = progress.Guard();
    const uint32_t start = progress.GetStartTicks();
    for (std::size_t i = 0; i < progress.GetThreadCount(); ++i) {
        const CDVXThreadData* r = progress.GetThreadData(i);
        RecordGuard recordGuard(progress.GetThreadData(i));
        if (r->state != CDVXThreadData::kFailed) continue;
        FailureReport f{ReportText::CategoryOf(*r),
                        r->testname.PrivateCopy(),
                        r->tstdir.PrivateCopy(),
                        r->errorKind,
                        r->winerr,
                        r->sysErrno,
                        r->operation,
                        r->position,
                        r->datawait.PrivateCopy(),
                        r->dataget.PrivateCopy(),
                        r->stallSeconds,
                        r->stallFile.PrivateCopy(),
                        r->failTicks - start,
                        r->localtime,
                        ReportText::BuildReport(*r, start)};
        if (r->errorKind == CDVXThreadData::kSystemError) {
            reports.insert(reports.begin(), std::move(f));
        } else {
            reports.push_back(std::move(f));
        }
    }
    return reports;
}
