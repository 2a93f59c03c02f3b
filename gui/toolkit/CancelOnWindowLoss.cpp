#include "gui/toolkit/CancelOnWindowLoss.h"

#include <xcb/xcb.h>

#include <QCoreApplication>

#include "gui/toolkit/CPropertySheet.h"

CancelOnWindowLoss::CancelOnWindowLoss(CPropertySheet* sheet) : m_sheet(sheet) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

CancelOnWindowLoss::~CancelOnWindowLoss() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
}

bool CancelOnWindowLoss::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || !m_sheet || m_lost) return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_DESTROY_NOTIFY) return false;
    // Qt keeps the window of a hidden sheet: a window it destroys itself is
    // that of a sheet already gone, or another one.
    const auto* destroyed = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
    if (!m_sheet->isVisible() || destroyed->window != m_sheet->internalWinId()) return false;
    m_lost = true;
    m_sheet->CancelFromOutside();
    return false;  // Qt forgets the window as usual
}
