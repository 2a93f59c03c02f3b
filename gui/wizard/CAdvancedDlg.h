#pragma once
#include <QDialog>
#include <memory>

#include "engine/CDVXPrefs.h"

struct TestSession;

namespace Ui {
class CAdvancedDlg;
}

// Disk space, simultaneous sets, priority of the run and whether it also
// tests changing existing files. A number field, once
// left, shows its value brought into range, which OK stores in the settings;
// Cancel stores nothing. Under the disk space, a line tells what the run
// will write when its many 1 MB files take it past that space, as the
// fields stand. User-interface thread only.
class CAdvancedDlg : public QDialog {
    Q_OBJECT
public:
    // `session` outlives the dialog; `parent` is the window it is centred over.
    CAdvancedDlg(TestSession& session, QWidget* parent);
    ~CAdvancedDlg() override;

    void accept() override;

private:
    // The session's settings with the fields' values, brought into range.
    CDVXPrefs Typed() const;
    void ShowNeeded();

    std::unique_ptr<Ui::CAdvancedDlg> ui;
    TestSession& m_session;
};
