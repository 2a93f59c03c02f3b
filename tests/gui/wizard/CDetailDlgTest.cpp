// The details dialog on real records, driven with clicks and keys.
#include "gui/wizard/CDetailDlg.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QSizeGrip>
#include <QTabBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <cerrno>
#include <tuple>

#include "engine/CDVXProgressData.h"
#include "engine/TestSession.h"
#include "gui/toolkit/GuiText.h"
#include "gui/toolkit/SetRichEditRtf.h"
#include "report/FailureReport.h"
#include "support/RtfReader.h"
#include "tests/GuiActions.h"
#include "tests/TempDir.h"

namespace {

using T = CDVXThreadData;

// A test's record: failed on a system call or on data that differ, or passed.
// Its directory names it in the report.
void Record(CDVXProgressData& progress, const char* dir, int32_t kind) {
    T* r = progress.AddThreadData();
    r->testname = Chaine::FromUtf8("Test d'écriture"), r->tstdir = Chaine::FromUtf8(dir);
    if (kind == T::kSystemError) r->RecordSystemError(112, T::kWriteFile, 4096, ENOSPC);
    if (kind == T::kDataError) r->RecordDataError(Chaine("6162"), Chaine("6164"), 7);
    if (kind == T::kNoError) r->SetState(T::kEnded);
}

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
auto Style(const QTextDocument* document, const QString& text) {
    QTextCursor at = document->find(text);
    at.setPosition(at.selectionStart() + 1);
    const QTextCharFormat f = at.charFormat();
    return std::tuple(f.fontWeight() == QFont::Bold, f.fontItalic(), f.fontPointSize(),
                      f.foreground().color().name(), f.fontFamilies().toStringList().value(0));
}

// A shown dialog on the records, with its parts.
struct Shown {
    explicit Shown(TestSession& session) : dialog(session, nullptr) {
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }
    QTabBar* Tabs() { return dialog.findChild<QTabBar*>("tabs"); }
    QTextEdit* View() { return dialog.findChild<QTextEdit*>("view"); }
    QPushButton* Close() { return dialog.findChild<QPushButton*>("close"); }
    void ClickTab(int i) {
        QTest::mouseClick(Tabs(), Qt::LeftButton, {}, Tabs()->tabRect(i).center());
    }
    CDetailDlg dialog;
};

}  // namespace

// One tab per report, in the order they come (FailureReportTest has that
// order); the first shows at once, and a click on a tab shows that test's
// report from its top, with its words and its bullets as a list. Without a
// failure, no tab and an empty page.
TEST(CDetailDlgTest, OneTabPerFailedTestInReportOrder) {
    TestSession passed;
    Record(passed.run.Progress(), "/ok", T::kNoError);
    Shown none(passed);
    EXPECT_EQ(std::pair(none.Tabs()->count(), none.View()->toPlainText()), std::pair(0, QString()));

    TestSession session;
    CDVXProgressData& progress = session.run.Progress();
    Record(progress, "/srv/A", T::kSystemError);
    Record(progress, "/srv/B", T::kDataError);
    Record(progress, "/srv/C", T::kSystemError);
    const auto reports = FailureReport::Collect(progress);
    Shown shown(session);
    ASSERT_EQ(shown.Tabs()->count(), 3);
    EXPECT_EQ(DocumentText(shown.View()->document()), PlainText(reports[0].rtf));
    for (int i = 2; i >= 0; --i) {
        shown.ClickTab(i);
        EXPECT_EQ(std::tuple(shown.Tabs()->tabText(i), DocumentText(shown.View()->document()),
                             shown.View()->verticalScrollBar()->value()),
                  std::tuple(QStringLiteral("Test %1").arg(i), PlainText(reports[i].rtf), 0));
    }
}

// An empty report, as one whose document is missing, leaves an empty page.
TEST(CDetailDlgTest, AnEmptyReportIsAnEmptyPage) {
    QTextEdit view;
    view.setPlainText("ancien rapport");
    SetRichEditRtf(&view, Chaine());
    EXPECT_TRUE(view.toPlainText().isEmpty());
}

// The report on data that differ in its styles: a dark red title, the body,
// the names of the details in bold and their values in italics. The window
// grows from where it opened: the report takes the whole difference, the tabs
// the width, "Fermer" stays centred (half the width, small steps adding up to
// one) and at the bottom; it never gets smaller than it opened, the grip stays
// in the corner, and Enter closes it.
TEST(CDetailDlgTest, TheReportInItsStylesAndAWindowThatGrows) {
    TestSession session;
    CDVXProgressData& progress = session.run.Progress();
    Record(progress, "/srv/x", T::kDataError);
    Shown shown(session);
    const QTextDocument* report = shown.View()->document();
    EXPECT_EQ(Style(report, "Votre syst"),
              std::tuple(true, false, 14.0, "#800000", "Arial Narrow"));
    EXPECT_EQ(Style(report, "Dalvex a cr"),
              std::tuple(false, false, 12.0, "#000000", "Times New Roman"));
    EXPECT_EQ(Style(report, "Test : "), std::tuple(true, false, 10.0, "#000000", "Arial"));
    EXPECT_EQ(Style(report, QString::fromUtf8("Test d'écriture")),
              std::tuple(false, true, 10.0, "#000000", "Arial"));

    const QSize opening = shown.dialog.size();
    const QRect tabs = shown.Tabs()->geometry(), view = shown.View()->geometry(),
                close = shown.Close()->geometry();
    for (int step = 1; step <= 3; ++step) shown.dialog.resize(opening + QSize(step, 0));
    EXPECT_EQ(shown.Close()->geometry(), close.translated(1, 0));
    shown.dialog.resize(opening + QSize(100, 30));
    EXPECT_EQ(
        std::tuple(shown.Tabs()->geometry(), shown.View()->geometry(), shown.Close()->geometry()),
        std::tuple(tabs.adjusted(0, 0, 100, 0), view.adjusted(0, 0, 100, 30),
                   close.translated(50, 30)));
    shown.dialog.resize(opening - QSize(40, 40));
    EXPECT_EQ(shown.dialog.size(), opening);
    auto* grip = shown.dialog.findChild<QSizeGrip*>();
    ASSERT_NE(grip, nullptr);
    EXPECT_EQ(grip->geometry().bottomRight(), shown.dialog.rect().bottomRight());
    EXPECT_GE(shown.View()->y(), shown.Tabs()->geometry().bottom());
    // Enter in the report presses "Fermer", the default button.
    shown.View()->setFocus();
    QTest::keyClick(shown.View(), Qt::Key_Return);
    EXPECT_FALSE(shown.dialog.isVisible());
}

// The report leaves through the context menu: on the clipboard as RTF and as
// text, or into a file, byte for byte; a file that cannot be written says so.
TEST(CDetailDlgTest, TheReportCanBeCopiedAndSaved) {
    TestSession session;
    CDVXProgressData& progress = session.run.Progress();
    Record(progress, "/srv/partagé", T::kSystemError);
    const Chaine rtf = FailureReport::Collect(progress).at(0).rtf;
    const QByteArray bytes(rtf.View().data(), static_cast<qsizetype>(rtf.View().size()));
    Shown shown(session);
    PickFromContextMenu(shown.View()->viewport(), {20, 20}, "Copier le rapport");
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->data("text/rtf"), bytes);
    EXPECT_EQ(copied->text(), PlainText(rtf));

    TempDir dir;
    for (const std::string& path : {dir.File("rapport.rtf"), std::string("/proc/rapport.rtf")}) {
        const bool fails = path.starts_with("/proc");
        QString warning;
        OnNextModal<QFileDialog>(
            [&, path, fails](QFileDialog* files) {
                if (fails) {
                    OnNextModal<QMessageBox>(
                        [&warning](QMessageBox* box) {
                            warning = box->text();
                            QTest::keyClick(box, Qt::Key_Escape);
                        },
                        &shown.dialog);
                }
                // Set rather than typed: the completer's list would take the Return key.
                auto* name = files->findChild<QLineEdit*>("fileNameEdit");
                name->setText(QString::fromStdString(path));
                QTest::keyClick(name, Qt::Key_Return);
            },
            &shown.dialog);
        PickFromContextMenu(shown.View()->viewport(), {20, 20}, "Enregistrer le rapport...");
        if (fails) {
            EXPECT_TRUE(warning.contains(QStringLiteral("/proc/rapport.rtf")))
                << warning.toStdString();
            continue;
        }
        QFile saved(QString::fromStdString(path));
        EXPECT_TRUE(saved.open(QIODevice::ReadOnly));
        EXPECT_EQ(saved.readAll(), bytes);
    }
}
