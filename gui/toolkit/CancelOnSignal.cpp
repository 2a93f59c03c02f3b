#include "gui/toolkit/CancelOnSignal.h"

#include <QApplication>
#include <QDialog>
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
    // An open menu closes, a question or a dialog over the sheet answers "no";
    // the sheet's own Cancel runs once their event loops have returned.
    QWidget* last = nullptr;
    while (QWidget* popup = QApplication::activePopupWidget()) {
        if (popup == last) break;
        popup->close();
        last = popup;
    }
    while (QWidget* modal = QApplication::activeModalWidget()) {
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (modal == m_sheet || modal == last || !dialog) break;
        dialog->reject();
        last = modal;
    }
    QMetaObject::invokeMethod(
        m_sheet, [sheet = m_sheet] { sheet->PressButton(CPropertySheet::PSBTN_CANCEL); },
        Qt::QueuedConnection);
}
