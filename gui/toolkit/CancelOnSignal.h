#pragma once
#include <QObject>

class CPropertySheet;
class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP (a logout, a closed terminal, Ctrl+C) act as the
// sheet's Cancel: open dialogs above it close, then the active page decides as
// for a click, so a running test still stops and deletes its files before the
// program ends. The signals are counted as platform::StopSignals says: the
// fourth ends the program at once. The handlers found are put back at
// destruction. One instance at a time, made and used on the
// user-interface thread.
class CancelOnSignal : public QObject {
    Q_OBJECT
public:
    explicit CancelOnSignal(CPropertySheet* sheet);
    ~CancelOnSignal() override;
    CancelOnSignal(const CancelOnSignal&) = delete;
    CancelOnSignal& operator=(const CancelOnSignal&) = delete;

private:
    void OnSignal();

    CPropertySheet* m_sheet;
    QSocketNotifier* m_notifier = nullptr;
};
