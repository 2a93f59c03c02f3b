#pragma once
#include <QElapsedTimer>
#include <optional>

// The run's progress on the program's icon in the desktop's launcher or dock
// (the com.canonical.Unity.LauncherEntry signal on the session bus, keyed to
// the application's desktop entry): a share of the run's time, marked
// urgent once a test failed. Nothing is sent without a desktop entry's name.
// User-interface thread only.
class LauncherProgress {
public:
    // A progress is told this often at most; a change of what shows, at once.
    static constexpr int kEveryMs = 1000;

    // `progress` from 0 to 1, none for a run without an end, or once it is
    // over; `urgent` after a failure.
    void Update(std::optional<double> progress, bool urgent);

private:
    QElapsedTimer m_sent;  // since the last signal
    bool m_visible = false;
    bool m_urgent = false;
};
