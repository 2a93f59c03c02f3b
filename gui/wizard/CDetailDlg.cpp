#include "gui/wizard/CDetailDlg.h"

#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTime>
#include <QTreeView>
#include <algorithm>

#include "gui/toolkit/DialogUnits.h"
#include "gui/toolkit/GuiText.h"
#include "gui/toolkit/MessageBox.h"
#include "gui/toolkit/SetRichEditRtf.h"
#include "platform/ResourceIds.h"
#include "support/RtfReader.h"
#include "ui_CDetailDlg.h"

namespace {

// The labels the tabs get: the failed tests in the order the reports come.
QString TabText(std::size_t index) {
    Chaine text;
    return ToQString(text.Format(Chaine(Chaine::ResourceId(res::kReportTab)).c_str(),
                                 static_cast<unsigned>(index)));
}

// The name a report is offered under: what it is, when its test failed (local
// time, to the minute), and what ends it: a tab's number and the kind of file.
QString ReportFileName(const platform::SystemTime& failed, const QString& ending) {
    return QStringLiteral("dalvex2-rapport-%1-%2%3")
        .arg(QDate(failed.year, failed.month, failed.day).toString(QStringLiteral("yyyy-MM-dd")),
             QTime(failed.hour, failed.minute).toString(QStringLiteral("HHmm")), ending);
}

// Where reports are saved: the user's documents folder, else the home folder.
QString ReportFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

}  // namespace

CDetailDlg::Layout CDetailDlg::Resized(const Layout& opening, QSize openingSize, QSize size) {
    const int dx = size.width() - openingSize.width();
    const int dy = size.height() - openingSize.height();
    return {opening.tabs.adjusted(0, 0, dx, 0), opening.view.adjusted(0, 0, dx, dy),
            opening.close.translated(dx / 2, dy)};
}

CDetailDlg::CDetailDlg(const RunSnapshot& run, std::string runReport, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::CDetailDlg>()), m_runReport(std::move(runReport)) {
    ui->setupUi(this);
    DialogUnits::Scale(this);
    m_openingSize = size();
    setMinimumSize(m_openingSize);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    FillTabs(run);
    // Qt's tab bar is the strip of headers alone, as tall as the style draws
    // them; the report below is the page under the tabs.
    ui->tabs->setDrawBase(false);
    const int headers = std::max(ui->view->y() - ui->tabs->y(), ui->tabs->sizeHint().height());
    ui->tabs->resize(ui->tabs->width(), headers);
    ui->view->setGeometry(
        ui->view->geometry().adjusted(0, ui->tabs->y() + headers - ui->view->y(), 0, 0));
    m_opening = {ui->tabs->geometry(), ui->view->geometry(), ui->close->geometry()};
    // Qt's own grip keeps to the bottom-right corner through every resize.
    setSizeGripEnabled(true);
    connect(ui->close, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->tabs, &QTabBar::currentChanged, this, &CDetailDlg::ShowReport);
    ui->view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->view, &QWidget::customContextMenuRequested, this, &CDetailDlg::ShowContextMenu);
    ShowReport(0);
}

CDetailDlg::~CDetailDlg() = default;

void CDetailDlg::FillTabs(const RunSnapshot& run) {
    m_reports = FailureReport::Collect(run);
    const QSignalBlocker quiet(ui->tabs);  // the first report is shown once, below
    while (ui->tabs->count() > 0) ui->tabs->removeTab(0);
    for (std::size_t i = 0; i < m_reports.size(); ++i) ui->tabs->addTab(TabText(i));
}

const Chaine& CDetailDlg::ShownReport() const {
    static const Chaine kEmpty;
    return m_shown < m_reports.size() ? m_reports[m_shown].rtf : kEmpty;
}

void CDetailDlg::ShowReport(int index) {
    m_shown = static_cast<std::size_t>(std::max(index, 0));
    SetRichEditRtf(ui->view, ShownReport());
}

void CDetailDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const Layout now = Resized(m_opening, m_openingSize, size());
    ui->tabs->setGeometry(now.tabs);
    ui->view->setGeometry(now.view);
    ui->close->setGeometry(now.close);
}

void CDetailDlg::ShowContextMenu(const QPoint& position) {
    std::unique_ptr<QMenu> menu(ui->view->createStandardContextMenu(position));
    menu->addSeparator();
    const bool any = !ShownReport().IsEmpty();
    menu->addAction(ResourceQString(res::kCopyReport), this, &CDetailDlg::CopyReport)
        ->setEnabled(any);
    menu->addAction(ResourceQString(res::kSaveReportMenu), this, &CDetailDlg::SaveReport)
        ->setEnabled(any);
    menu->addAction(ResourceQString(res::kSaveRunReportMenu), this, &CDetailDlg::SaveRunReport)
        ->setEnabled(any && !m_runReport.empty());
    menu->exec(ui->view->viewport()->mapToGlobal(position));
}

// Both forms: a word processor takes the document as it is, anything else its text.
void CDetailDlg::CopyReport() {
    const Chaine& rtf = ShownReport();
    auto* data = new QMimeData;
    data->setData(QStringLiteral("text/rtf"),
                  QByteArray(rtf.View().data(), static_cast<qsizetype>(rtf.View().size())));
    data->setText(ToQString(RtfReader::ToPlainText(RtfReader::Parse(rtf.View()))));
    QApplication::clipboard()->setMimeData(data);
}

// The menu offers to save only while one of the reports shows.
void CDetailDlg::SaveReport() {
    SaveFile(res::kRtfDocuments, QStringLiteral("rtf"),
             ReportFileName(m_reports[m_shown].test.failure.localtime,
                            QStringLiteral("-test%1.rtf").arg(m_shown)),
             ShownReport().View());
}

// Named after the first failure, as the run's reports come.
void CDetailDlg::SaveRunReport() {
    SaveFile(res::kHtmlDocuments, QStringLiteral("html"),
             ReportFileName(m_reports.front().test.failure.localtime, QStringLiteral(".html")),
             m_runReport);
}

void CDetailDlg::SaveFile(unsigned filterId, const QString& suffix, const QString& name,
                          std::string_view bytes) {
    QFileDialog dialog(this, ResourceQString(res::kSaveReportTitle));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(ResourceQString(filterId));
    dialog.setDefaultSuffix(suffix);
    dialog.setDirectory(ReportFolder());
    dialog.selectFile(name);
    // Qt's own (not the desktop's) dialog, its detailed list's columns at
    // their default widths: the French headings are longer than the English
    // ones and were cut. Each column but the name's takes the width its
    // heading and contents need; the name's takes the rest.
    if (auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = list->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    QSaveFile file(dialog.selectedFiles().constFirst());
    const auto size = static_cast<qint64>(bytes.size());
    if (file.open(QIODevice::WriteOnly) && file.write(bytes.data(), size) == size && file.commit())
        return;
    MessageBox::Warn(
        this,
        ToChaine(ResourceQString(res::kReportNotSaved).arg(file.fileName(), file.errorString())),
        Chaine(Chaine::ResourceId(res::kCaption)));
}
