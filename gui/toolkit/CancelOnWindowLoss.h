#pragma once
#include <QAbstractNativeEventFilter>
#include <QPointer>

class CPropertySheet;

// The sheet's window destroyed by another program (a window manager's
// "kill", xdotool) while the program goes on: nothing on the screen could
// stop a running test any more, so the loss acts as a Cancel from outside,
// and the program's end says it was not a normal one. Only the X11 window
// system tells of it; elsewhere this does nothing. User-interface thread only.
class CancelOnWindowLoss : public QAbstractNativeEventFilter {
public:
    explicit CancelOnWindowLoss(CPropertySheet* sheet);
    ~CancelOnWindowLoss() override;
    CancelOnWindowLoss(const CancelOnWindowLoss&) = delete;
    CancelOnWindowLoss& operator=(const CancelOnWindowLoss&) = delete;

    // The window was lost.
    bool Lost() const { return m_lost; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    QPointer<CPropertySheet> m_sheet;
    bool m_lost = false;
};
