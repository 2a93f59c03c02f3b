// The details dialog on real records, driven with clicks and keys.
#include "gui/wizard/CDetailDlg.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QSizeGrip>
#include <QTabBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextList>
#include <cerrno>

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

// A failure as a test records it; its directory names it in the report.
struct Failure {
    const char* dir;
    int32_t kind;
};
constexpr int32_t kIoError = 10, kTruncated = 11;  // the two other kinds of report

void Record(CDVXProgressData& progress, const Failure& f) {
    T* r = progress.AddThreadData();
    r->testname = Chaine::FromUtf8("Test d'écriture"), r->tstdir = Chaine::FromUtf8(f.dir);
    switch (f.kind) {
        case T::kSystemError: r->RecordSystemError(112, T::kWriteFile, 4096, ENOSPC); break;
        case kIoError: r->RecordSystemError(1117, T::kReadFile, 0, EIO); break;
        case T::kDataError: r->RecordDataError(Chaine("6162"), Chaine("6164"), 7); break;
        case kTruncated: r->RecordDataError(Chaine(), Chaine(), 0); break;
        case T::kInternalError: r->RecordInternalError(); break;
        default: r->SetState(T::kEnded); break;
    }
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

// Style by style, what the view holds against the runs it was given.
struct Styles {
    int mismatches = 0, bold = 0, italic = 0, bullets = 0;
};
Styles CompareStyles(const QTextDocument* document, const Chaine& rtf) {
    Styles s;
    QTextBlock block = document->begin();
    for (const RtfParagraph& paragraph : RtfReader::Parse(rtf.View())) {
        s.bullets += paragraph.bullet;
        s.mismatches += (block.textList() != nullptr) != paragraph.bullet;
        int offset = 0;
        for (const RtfRun& run : paragraph.runs) {
            const QString text = ToQString(run.text);
            if (text.isEmpty()) continue;
            QTextCursor cursor(block);
            cursor.setPosition(block.position() + offset +
                               1);  // the format of the run's first character
            const QTextCharFormat f = cursor.charFormat();
            s.mismatches += f.fontWeight() != (run.bold ? QFont::Bold : QFont::Normal) ||
                            f.fontItalic() != run.italic ||
                            f.fontPointSize() != run.halfPoints / 2.0 ||
                            f.foreground().color().rgb() != (0xFF000000u | run.color) ||
                            (!run.font.IsEmpty() &&
                             f.fontFamilies().toStringList().value(0) != ToQString(run.font));
            s.bold += run.bold, s.italic += run.italic;
            offset += static_cast<int>(text.size());
        }
        block = block.next();
    }
    return s;
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
    // Picks `text` in the view's context menu.
    void ChooseFromMenu(const QString& text) {
        OnNextModal<QMenu>(
            [text](QMenu* menu) {
                for (QAction* action : menu->actions())
                    if (action->text() == text)
                        QTest::mouseClick(menu, Qt::LeftButton, {},
                                          menu->actionGeometry(action).center());
            },
            &dialog);
        RightClick(View()->viewport(), QPoint(20, 20));
    }
    CDetailDlg dialog;
};

}  // namespace

// Failed system calls first, the last of them first; a click on a tab shows
// that test's report from its top, with its words, its bold and italic runs,
// sizes, colours and fonts, and its bullets as a list.
TEST(CDetailDlgTest, OneTabPerFailedTestInReportOrder) {
    const struct {
        std::vector<Failure> records;
        std::vector<const char*> tabs;  // the directory each tab's report names
    } cases[] = {
        {{{"/srv/A", T::kSystemError}, {"/srv/B", T::kDataError}, {"/srv/C", T::kSystemError}},
         {"/srv/C", "/srv/A", "/srv/B"}},
        {{{"/srv/ok", T::kNoError}, {"/srv/D", T::kDataError}}, {"/srv/D"}},
        {{{"/srv/ok", T::kNoError}}, {}},
        {{{"/io", kIoError},
          {"/cut", kTruncated},
          {"/bug", T::kInternalError},
          {"/full", T::kSystemError}},
         {"/full", "/io", "/cut", "/bug"}},
    };
    Styles total;
    for (const auto& c : cases) {
        TestSession session;
        CDVXProgressData& progress = session.run.Progress();
        for (const Failure& f : c.records) Record(progress, f);
        const auto reports = FailureReport::Collect(progress);
        Shown shown(session);
        ASSERT_EQ(shown.Tabs()->count(), static_cast<int>(c.tabs.size()));
        if (c.tabs.empty()) {
            EXPECT_TRUE(shown.View()->toPlainText().isEmpty());
        }
        for (int i = static_cast<int>(c.tabs.size()) - 1; i >= 0; --i) {
            // The first tab's report shows at once; the others after a click.
            if (i > 0 || c.tabs.size() > 1) shown.ClickTab(i);
            EXPECT_EQ(shown.Tabs()->tabText(i), QStringLiteral("Test %1").arg(i));
            const QString text = DocumentText(shown.View()->document());
            EXPECT_TRUE(text.contains(QString::fromUtf8(c.tabs[i]))) << i;
            EXPECT_EQ(text, PlainText(reports[i].rtf)) << i;
            const Styles st = CompareStyles(shown.View()->document(), reports[i].rtf);
            EXPECT_EQ(st.mismatches, 0) << i;
            EXPECT_EQ(shown.View()->verticalScrollBar()->value(), 0) << i;
            total.bold += st.bold, total.italic += st.italic, total.bullets += st.bullets;
        }
    }
    EXPECT_GT(total.bold, 0);
    EXPECT_GT(total.italic, 0);
    EXPECT_GT(total.bullets, 0);
}

// An empty report, as one whose document is missing, leaves an empty page.
TEST(CDetailDlgTest, AnEmptyReportIsAnEmptyPage) {
    QTextEdit view;
    view.setPlainText("ancien rapport");
    SetRichEditRtf(&view, Chaine());
    EXPECT_TRUE(view.toPlainText().isEmpty());
}

TEST(CDetailDlgTest, ResizedFromTheOpeningRectangle) {
    const CDetailDlg::Layout opening{{7, 7, 338, 209}, {7, 19, 338, 197}, {150, 221, 50, 14}};
    const QSize size(352, 242);
    const struct {
        int dw, dh, closeDx;
    } cases[] = {{100, 0, 50}, {1, 0, 0}, {3, 0, 1}, {0, 40, 0}, {-3, -5, -1}};
    for (const auto& c : cases) {
        const auto got = CDetailDlg::Resized(opening, size, size + QSize(c.dw, c.dh));
        EXPECT_EQ(got, (CDetailDlg::Layout{opening.tabs.adjusted(0, 0, c.dw, 0),
                                           opening.view.adjusted(0, 0, c.dw, c.dh),
                                           opening.close.translated(c.closeDx, c.dh)}))
            << c.dw << "x" << c.dh;
    }
}

// The window itself: small steps add up, it never gets smaller than it
// opened, the grip stays in the corner, the tabs sit above the report, and
// Enter closes it.
TEST(CDetailDlgTest, TheWindowFollowsItsSize) {
    TestSession session;
    CDVXProgressData& progress = session.run.Progress();
    Record(progress, {"/srv/x", T::kDataError});
    Shown shown(session);
    const QSize opening = shown.dialog.size();
    const QRect close = shown.Close()->geometry(), view = shown.View()->geometry();
    for (int step = 1; step <= 3; ++step) shown.dialog.resize(opening + QSize(step, 0));
    EXPECT_EQ(shown.Close()->geometry(), close.translated(1, 0));
    shown.dialog.resize(opening + QSize(100, 30));
    EXPECT_EQ(shown.View()->geometry(), view.adjusted(0, 0, 100, 30));
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
    Record(progress, {"/srv/partagé", T::kSystemError});
    const Chaine rtf = FailureReport::Collect(progress).at(0).rtf;
    const QByteArray bytes(rtf.View().data(), static_cast<qsizetype>(rtf.View().size()));
    Shown shown(session);
    shown.ChooseFromMenu(QStringLiteral("Copier le rapport"));
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
        shown.ChooseFromMenu(QStringLiteral("Enregistrer le rapport..."));
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
