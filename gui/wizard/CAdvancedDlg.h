#pragma once
#include <QDialog>
#include <memory>

class CDVXPrefs;

namespace Ui {
class CAdvancedDlg;
}

// Disk space, simultaneous sets and priority of the run. OK stores them in the
// settings, brought into range; Cancel stores nothing. User-interface thread only.
class CAdvancedDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDefaultDiskSpaceMb = 30;
    static constexpr int kMinDiskSpaceMb = 10;
    // Beyond this the budget of each thread no longer fits its 32-bit count.
    static constexpr int kMaxDiskSpaceMb = 32767;
    static constexpr int kDefaultTests = 1;
    static constexpr int kMinTests = 1;
    static constexpr int kMaxTests = 5;

    // `prefs` outlives the dialog; `parent` is the window it is centred over.
    CAdvancedDlg(CDVXPrefs* prefs, QWidget* parent);
    ~CAdvancedDlg() override;

    void accept() override;

private:
    std::unique_ptr<Ui::CAdvancedDlg> ui;
    CDVXPrefs* m_prefs;
};
