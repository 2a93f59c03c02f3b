// The details dialog on snapshots of failed runs, driven with clicks and keys.
#include "gui/wizard/CDetailDlg.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QSizeGrip>
#include <QTabBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QTreeView>
#include <cerrno>
#include <optional>

#include "gui/toolkit/GuiText.h"
#include "gui/toolkit/QtTextGaps.h"
#include "gui/toolkit/SetRichEditRtf.h"
#include "report/FailureReport.h"
#include "support/RtfReader.h"
#include "tests/Failures.h"
#include "tests/Fields.h"
#include "tests/GuiActions.h"
#include "tests/TempDir.h"

namespace {

using T = TestFailure;

// The document as the plain-text reader writes it: list items with a bullet.
QString DocumentText(const QTextDocument* document) {
    QString text;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        text += (block.textList() ? QStringLiteral("\u2022 ") : QString()) + block.text() + '\n';
    return text;
}

QString PlainText(const Chaine& rtf) {
    return ToQString(RtfReader::ToPlainText(RtfReader::Parse(rtf.View())));
}

// Of the first character of `text` in `document`: bold, italic, points, colour and font.
Fields StyleIs(const QTextDocument* document, const char* text, bool bold, bool italic, int points,
               const char* colour, const char* font) {
    QTextCursor at = document->find(text);
    at.setPosition(at.selectionStart() + 1);
    const QTextCharFormat f = at.charFormat();
    return std::move(Fields()
                         .Is("bold", f.fontWeight() == QFont::Bold, bold)
                         .Is("italic", f.fontItalic(), italic)
                         .Is("points", f.fontPointSize(), points)
                         .Is("colour", f.foreground().color().name(), colour)
                         .Is("font", f.fontFamilies().toStringList().value(0), font));
}

const std::string kRunReport = "<!DOCTYPE html>\n<title>Le test</title>\n";

// A shown dialog on a run of tests in the directories given, failed on a
// system call or on data that differ, or passed; with its parts.
struct Shown {
    explicit Shown(std::initializer_list<std::pair<const char*, int32_t>> tests) {
        for (const auto& [dir, kind] : tests) {
            TestSnapshot& t = run.tests.emplace_back();
            t.testname = Chaine::FromUtf8("Test d'écriture"), t.tstdir = Chaine::FromUtf8(dir);
            t.state = kind == T::kNoError ? TestSnapshot::kEnded : TestSnapshot::kFailed;
            if (kind == T::kSystemError)
                t.failure = SystemFailure(112, T::kWriteFile, 4096, ENOSPC);
            if (kind == T::kDataError) t.failure = DataFailure("6162", "6164", 7);
            t.failure.localtime = platform::Clock::GetLocalTime();
        }
        dialog.emplace(run, kRunReport, nullptr);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&*dialog));
    }
    QTabBar* Tabs() { return dialog->findChild<QTabBar*>("tabs"); }
    QTextEdit* View() { return dialog->findChild<QTextEdit*>("view"); }
    QRect Close() { return dialog->findChild<QPushButton*>("close")->geometry(); }
    RunSnapshot run;
    std::optional<CDetailDlg> dialog;  // made once the run is
};

}  // namespace

// One tab per report, in the order they come (FailureReportTest has that order); the first
// shows at once, and a click on a tab shows that test's report from its top, with its words
// and its bullets as a list. Without a failure, no tab; an empty report empties the page.
TEST(CDetailDlgTest, OneTabPerFailedTestInReportOrder) {
    Shown none({{"/ok", T::kNoError}});
    none.View()->setPlainText("ancien rapport");
    SetRichEditRtf(none.View(), Chaine());
    EXPECT_TRUE(
        Fields().Is("tabs", none.Tabs()->count(), 0).Is("text", none.View()->toPlainText(), ""));

    Shown shown({{"/A", T::kSystemError}, {"/B", T::kDataError}, {"/C", T::kSystemError}});
    const auto reports = FailureReport::Collect(shown.run);
    ASSERT_EQ(shown.Tabs()->count(), 3);
    EXPECT_EQ(DocumentText(shown.View()->document()), PlainText(reports[0].rtf));
    for (int i = 2; i >= 0; --i) {
        QTest::mouseClick(shown.Tabs(), Qt::LeftButton, {}, shown.Tabs()->tabRect(i).center());
        EXPECT_TRUE(
            Fields()
                .Is("tab", shown.Tabs()->tabText(i), QStringLiteral("Test %1").arg(i))
                .Is("report", DocumentText(shown.View()->document()), PlainText(reports[i].rtf))
                .Is("scrolled", shown.View()->verticalScrollBar()->value(), 0))
            << "tab " << i;
    }
}

// The report on data that differ in its styles: a dark red title, the body, the names of
// the details in bold and their values in italics. The window grows from where it opened:
// the report takes the whole difference, the tabs the width, "Fermer" stays centred (half
// the width, small steps adding up to one) and at the bottom; it never gets smaller than it
// opened, the grip stays in the corner, and Enter closes it.
TEST(CDetailDlgTest, TheReportInItsStylesAndAWindowThatGrows) {
    Shown shown({{"/srv/x", T::kDataError}});
    const QTextDocument* doc = shown.View()->document();
    EXPECT_TRUE(StyleIs(doc, "Votre syst", true, false, 14, "#800000", "Arial Narrow"));
    EXPECT_TRUE(StyleIs(doc, "Dalvex a c", false, false, 12, "#000000", "Times New Roman"));
    EXPECT_TRUE(StyleIs(doc, "Test : ", true, false, 10, "#000000", "Arial"));
    EXPECT_TRUE(StyleIs(doc, "Test d'écriture", false, true, 10, "#000000", "Arial"));

    const QSize opening = shown.dialog->size();
    const QRect tabs = shown.Tabs()->geometry(), view = shown.View()->geometry(),
                close = shown.Close();
    for (int step = 1; step <= 3; ++step) shown.dialog->resize(opening + QSize(step, 0));
    EXPECT_EQ(shown.Close(), close.translated(1, 0));
    shown.dialog->resize(opening + QSize(100, 30));
    EXPECT_TRUE(Fields()
                    .Is("tabs", shown.Tabs()->geometry(), tabs.adjusted(0, 0, 100, 0))
                    .Is("report", shown.View()->geometry(), view.adjusted(0, 0, 100, 30))
                    .Is("Fermer", shown.Close(), close.translated(50, 30)));
    shown.dialog->resize(opening - QSize(40, 40));
    auto* grip = shown.dialog->findChild<QSizeGrip*>();
    ASSERT_NE(grip, nullptr);
    EXPECT_TRUE(Fields()
                    .Is("size", shown.dialog->size(), opening)
                    .Is("grip", grip->geometry().bottomRight(), shown.dialog->rect().bottomRight())
                    .Is("report below the tabs",
                        shown.View()->y() >= shown.Tabs()->geometry().bottom(), true));
    // Enter in the report presses "Fermer", the default button.
    QTest::keyClick(shown.View(), Qt::Key_Return);
    EXPECT_FALSE(shown.dialog->isVisible());
}

// The report leaves through the context menu: on the clipboard as RTF and as
// text, or into a file, byte for byte, as the whole run's report does; a file
// that cannot be written says so.
TEST(CDetailDlgTest, TheReportCanBeCopiedAndSaved) {
    Shown shown({{"/srv/partagé", T::kSystemError}});
    const FailureReport report = FailureReport::Collect(shown.run).at(0);
    const Chaine& rtf = report.rtf;
    const std::string bytes(rtf.View());
    PickFromContextMenu(shown.View()->viewport(), {20, 20}, "Copier le rapport");
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    EXPECT_EQ(std::pair(copied->data("text/rtf").toStdString(), copied->text()),
              std::pair(bytes, PlainText(rtf)));

    TempDir dir;
    QString warning;
    std::vector<std::pair<int, int>> clipped;  // heading: shown width, width needed
    OnNextModal<QMessageBox>(
        [&warning](QMessageBox* box) {
            warning = box->text();
            QTest::keyClick(box, Qt::Key_Escape);
        },
        &*shown.dialog);
    const std::pair<std::string, const char*> saves[] = {
        {dir.File("rapport.rtf"), "Enregistrer le rapport..."},
        {"/proc/rapport.rtf", "Enregistrer le rapport..."},
        {dir.File("rapport.html"), "Enregistrer le rapport complet du test (HTML)..."},
    };
    std::vector<QString> offers;
    for (const auto& save : saves) {
        const std::string& path = save.first;
        OnNextModal<QFileDialog>(
            [path, &offers, &clipped](QFileDialog* files) {
                const QHeaderView* header = files->findChild<QTreeView*>("treeView")->header();
                for (int i = 1; i < header->count(); ++i) {
                    if (header->sectionSize(i) < header->sectionSizeHint(i))
                        clipped.emplace_back(header->sectionSize(i), header->sectionSizeHint(i));
                }
                // Set rather than typed: the completer's list would take the Return key.
                auto* name = files->findChild<QLineEdit*>("fileNameEdit");
                offers.push_back(name->text());
                name->setText(QString::fromStdString(path));
                QTest::keyClick(name, Qt::Key_Return);
            },
            &*shown.dialog);
        PickFromContextMenu(shown.View()->viewport(), {20, 20}, save.second);
        EXPECT_EQ(warning.contains(QString::fromStdString(path)), path.starts_with("/proc"))
            << path;
    }
    EXPECT_EQ(clipped, (std::vector<std::pair<int, int>>{})) << "headings of the file list";
    // Offered under what it is, when its test failed, and its tab's number or
    // the run's kind of file.
    const platform::SystemTime& t = report.test.failure.localtime;
    const QString when = QString::asprintf("dalvex2-rapport-%04d-%02d-%02d-%02d%02d", t.year,
                                           t.month, t.day, t.hour, t.minute);
    EXPECT_EQ(offers, (std::vector{when + "-test0.rtf", when + "-test0.rtf", when + ".html"}));
    EXPECT_EQ(std::pair(ReadFile(dir.File("rapport.rtf")), ReadFile(dir.File("rapport.html"))),
              std::pair(bytes, kRunReport));
}

// Qt's French catalogue lacks the kind the file dialog gives a folder: the
// program's own word fills the gap, and only it.
TEST(QtTextGapsTest, TheFileDialogNamesAFolderInFrench) {
    QtTextGaps gaps;
    QCoreApplication::installTranslator(&gaps);
    const QString folder = QFileIconProvider().type(QFileInfo("/tmp"));
    const QString other = QCoreApplication::translate("QFileDialog", "Folder");
    QCoreApplication::removeTranslator(&gaps);
    EXPECT_EQ(std::pair(folder, other), std::pair(QString("Dossier"), QString("Folder")));
}
