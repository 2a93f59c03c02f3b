#pragma once
#include <QDialog>
#include <QRect>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "report/FailureReport.h"
#include "support/Chaine.h"

namespace Ui {
class CDetailDlg;
}

// The reports of a failed run, one tab per failed test, the selected one's
// below the tabs. Made from a snapshot of the run when the dialog opens. It can be
// enlarged, never made smaller than it opened; the report can be copied or
// saved from the view's context menu. User-interface thread only.
class CDetailDlg : public QDialog {
    Q_OBJECT
public:
    // Where the tabs, the report and "Fermer" stand.
    struct Layout {
        QRect tabs, view, close;
        bool operator==(const Layout&) const = default;
    };
    // The layout of a dialog that opened at `openingSize` with `opening`, now
    // `size`: the report takes the whole difference, the strip of tab headers
    // the difference in width, and "Fermer" stays centred (half the width
    // difference, truncated) and at the bottom. Measured from the opening, so
    // a drag in small steps ends where one step would.
    static Layout Resized(const Layout& opening, QSize openingSize, QSize size);

    // `runReport`: the whole run as one HTML document, offered for saving
    // beside each test's report.
    CDetailDlg(const RunSnapshot& run, std::string runReport, QWidget* parent);
    ~CDetailDlg() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FillTabs(const RunSnapshot& run);
    // The report at `index`; an index beyond the reports shows an empty page.
    void ShowReport(int index);
    const Chaine& ShownReport() const;
    void ShowContextMenu(const QPoint& position);
    void CopyReport();
    void SaveReport();
    void SaveRunReport();
    // Asks where, offering `name` in the documents folder, and writes `bytes`
    // there whole, or says why it could not.
    void SaveFile(unsigned filterId, const QString& suffix, const QString& name,
                  std::string_view bytes);

    std::unique_ptr<Ui::CDetailDlg> ui;
    std::vector<FailureReport> m_reports;  // in tab order
    std::size_t m_shown = 0;
    std::string m_runReport;
    QSize m_openingSize;
    Layout m_opening;
};
