#include "gui/toolkit/CancelOnSignal.h"

#include <QSocketNotifier>

#include "gui/toolkit/CPropertySheet.h"
#include "platform/StopSignals.h"

CancelOnSignal::CancelOnSignal(CPropertySheet* sheet) : QObject(sheet), m_sheet(sheet) {
    // Without a way to wake the window, signals keep their default action.
    if (!platform::StopSignals::Install()) {
        platform::StopSignals::Restore();
        return;
    }
    m_notifier =
        new QSocketNotifier(platform::StopSignals::WakeHandle(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CancelOnSignal::OnSignal);
}

CancelOnSignal::~CancelOnSignal() {
    if (m_notifier) platform::StopSignals::Restore();
}

void CancelOnSignal::OnSignal() {
    platform::StopSignals::Drain();
    m_sheet->CancelFromOutside();
}
