#pragma once
#include <QString>

#include "platform/SleepInhibitor.h"

class QWidget;

// Keeps the desktop from suspending, or going idle into suspend, while a run
// goes: the desktop portal's Inhibit on the session bus, released by closing
// the request it answers with; where the portal is not there, logind's
// lock (platform::SleepInhibitor), and both where it answers late. With
// neither, the run goes on without.
// The calls block the user-interface thread for kCallTimeoutMs at most,
// each. User-interface thread only.
class DesktopInhibitor {
public:
    static constexpr int kCallTimeoutMs = 500;

    DesktopInhibitor() = default;
    ~DesktopInhibitor() { Release(); }
    DesktopInhibitor(const DesktopInhibitor&) = delete;
    DesktopInhibitor& operator=(const DesktopInhibitor&) = delete;

    // Asks on behalf of `window`, saying `reason` to whoever asks to sleep;
    // true when one of the two holds it, now or already.
    bool Take(const QWidget* window, const QString& reason);
    // Gives it back; nothing when none is held.
    void Release();
    bool Held() const { return !m_request.isEmpty() || m_logind.Held(); }

private:
    QString m_request;  // the portal's request object
    platform::SleepInhibitor m_logind;
};
