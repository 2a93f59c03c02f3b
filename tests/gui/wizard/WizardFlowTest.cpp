// The wizard driven end to end on real file systems, with clicks and keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "engine/CDVXProgressData.h"
#include "engine/CDVXThreadData.h"
#include "gui/toolkit/CancelOnSignal.h"
#include "gui/toolkit/GuiText.h"
#include "gui/wizard/CDetailDlg.h"
#include "platform/ResourceIds.h"
#include "report/FailureReport.h"
#include "support/FileSystem.h"
#include "tests/FaultMount.h"
#include "tests/GuiActions.h"
#include "tests/TempDir.h"
#include "tests/gui/wizard/WizardDriver.h"

namespace {

using W = WizardDriver;
using Clock = std::chrono::steady_clock;
constexpr int kBack = CPropertySheet::PSBTN_BACK;
constexpr int kNext = CPropertySheet::PSBTN_NEXT;
constexpr int kCancel = CPropertySheet::PSBTN_CANCEL;

QString Resource(unsigned id) { return ToQString(Chaine(Chaine::ResourceId(id))); }

// Back enabled, Next enabled, Next's text.
std::tuple<bool, bool, QString> Buttons(W& w) {
    return {w.Button(kBack)->isEnabled(), w.Button(kNext)->isEnabled(), w.Button(kNext)->text()};
}

// The threads of the program, but for those Qt keeps for its own painting.
std::size_t ThreadCount() {
    std::size_t count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        count += name != "Thread (pooled)";
    }
    return count;
}

const QString kNextText = QStringLiteral("&Suivant >");
const QString kFinish = QStringLiteral("Terminer");

}  // namespace

// A whole run on a tmpfs, from the first page to the result and back again.
TEST(WizardFlowTest, ARunFromTheWelcomePageToTheResultAndAgain) {
    TempDir dir("/dev/shm");
    W w;
    EXPECT_EQ(Buttons(w), std::tuple(false, true, kNextText));
    w.Key(Qt::Key_Return);  // Enter presses the default button
    ASSERT_TRUE(w.WaitForPage(W::kDirectory));
    EXPECT_EQ(Buttons(w), std::tuple(true, true, kNextText));

    auto* path = w.Find<QLineEdit>(W::kDirectory, "path");
    path->selectAll();
    QTest::keyClicks(path, QString::fromStdString(dir.Path()));
    for (const auto answer : {QMessageBox::No, QMessageBox::NoButton}) {  // No, then Escape
        w.AnswerNextQuestion(answer);
        w.Click(kNext);
        EXPECT_TRUE(w.QuestionShown()) << "a tmpfs is no network drive";
        EXPECT_EQ(w.Question(), std::tuple(Resource(res::kCaption), QMessageBox::Question,
                                           Resource(res::kNotNetworkQuestion)));
        EXPECT_EQ(std::pair(w.ActivePage(), path->text()),
                  std::pair(int{W::kDirectory}, QString::fromStdString(dir.Path())));
    }
    w.AnswerNextQuestion(QMessageBox::Yes);
    w.Click(kNext);
    ASSERT_TRUE(w.WaitForPage(W::kDuration));
    EXPECT_EQ(Buttons(w), std::tuple(true, true, kNextText));

    uint64_t firstRunWritten = 0;
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        const auto started = Clock::now();
        if (run == 1) {
            QTest::mouseClick(w.Find<QRadioButton>(W::kDuration, "untilStopped"), Qt::LeftButton);
        }
        w.Click(kNext);
        ASSERT_TRUE(w.WaitForPage(W::kProgress));
        EXPECT_EQ(Buttons(w), std::tuple(true, false, kNextText));
        EXPECT_EQ(w.Find<QWidget>(W::kProgress, "bar")->isVisible(), run == 0)
            << "no bar without an end";
        EXPECT_EQ(w.Status(), Resource(res::kRunningText));
        const QString directories =
            QString::fromStdString(dir.Path()) + ", " + ToQString(GetTempDirectory());
        auto* shown = w.Find<QLabel>(W::kProgress, "directories");
        EXPECT_EQ(std::pair(shown->text().remove(QChar(0x200B)), shown->toolTip()),
                  std::pair(directories, directories));
        auto* written = w.Find<QLabel>(W::kProgress, "written");
        auto* elapsed = w.Find<QLabel>(W::kProgress, "elapsed");
        if (run == 1) {
            // The counters of the last run are rewritten by the first tick.
            ASSERT_TRUE(QTest::qWaitFor([&] { return elapsed->text() == "0 sec"; }, 2000));
            EXPECT_LT(written->text().toULongLong(), firstRunWritten);
        }
        w.Key(Qt::Key_Return);
        EXPECT_EQ(std::pair(w.Status(), w.AnyRunning()),
                  std::pair(Resource(res::kRunningText), true))
            << "Enter on a disabled Next does nothing";
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.Button(kNext)->isEnabled(); }, 20000));
        EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(4900));
        EXPECT_GT(written->text().toULongLong(), 0u);
        EXPECT_GT(w.Find<QLabel>(W::kProgress, "read")->text().toULongLong(), 0u);
        EXPECT_TRUE(elapsed->text().endsWith("sec")) << elapsed->text().toStdString();
        firstRunWritten = written->text().toULongLong();

        w.Click(run == 0 ? kNext : kBack);
        EXPECT_EQ(w.Status(), Resource(res::kStoppingText));
        ASSERT_TRUE(w.WaitForPage(run == 0 ? W::kNoError : W::kDuration));
        EXPECT_FALSE(w.AnyRunning());
        EXPECT_EQ(W::FilesIn(dir.Path()), 0u);
        if (run == 0) {
            EXPECT_EQ(Buttons(w), std::tuple(true, true, kFinish));
            w.Click(kBack);
            ASSERT_TRUE(w.WaitForPage(W::kDuration)) << "Back skips the progress page";
        }
    }
}

// A directory that does not exist fails every test: the error page comes
// without a click, offers Finish and the reports of the failed tests, and Back
// leads to the duration page. Finish leaves no window and no thread.
TEST(WizardFlowTest, AMissingDirectoryReachesTheErrorPageUnaided) {
    TempDir dir("/dev/shm");
    const std::size_t threadsBefore = ThreadCount();
    {
        W w(W::kDuration, dir.File("missing"));
        for (int run = 0; run < 2; ++run) {
            w.Click(kNext);
            ASSERT_TRUE(w.WaitForPage(W::kError, 30000));
            EXPECT_TRUE(w.Sheet().Progress().IsAnyFailed());
            EXPECT_EQ(Buttons(w), std::tuple(true, true, kFinish));
            const int failed =
                static_cast<int>(FailureReport::Collect(w.Sheet().Progress()).size());
            EXPECT_GT(failed, 0);
            for (const bool escape : {true, false}) {  // Details works again after either way out
                int tabs = -1;
                OnNextModal<CDetailDlg>(
                    [&tabs, escape](CDetailDlg* details) {
                        tabs = details->findChild<QTabBar*>()->count();
                        if (escape) {
                            QTest::keyClick(details, Qt::Key_Escape);
                        } else {
                            QTest::mouseClick(details->findChild<QPushButton*>("close"),
                                              Qt::LeftButton);
                        }
                    },
                    &w.Sheet());
                QTest::mouseClick(w.Find<QPushButton>(W::kError, "details"), Qt::LeftButton);
                EXPECT_EQ(tabs, failed);
                EXPECT_EQ(w.ActivePage(), W::kError);
            }
            if (run == 0) w.Click(kBack);
            ASSERT_TRUE(w.WaitForPage(run == 0 ? W::kDuration : W::kError));
        }
        w.Click(kNext);
        EXPECT_TRUE(w.WaitForClose(1000));
        EXPECT_EQ(w.Sheet().result(), QDialog::Accepted);
    }
    for (QWidget* window : QApplication::topLevelWidgets()) EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(ThreadCount(), threadsBefore);
}

// Every way out of a running test closes the wizard only once the threads
// have stopped and deleted their files; a Cancel is never turned into Back or Next.
TEST(WizardFlowTest, LeavingDuringARunWaitsForTheThreads) {
    const std::pair<const char*, void (*)(W&)> ways[] = {
        {"Cancel", [](W& w) { w.Click(kCancel); }},
        {"Escape", [](W& w) { w.Key(Qt::Key_Escape); }},
        {"close box", [](W& w) { w.Sheet().close(); }},
        {"SIGTERM", [](W&) { std::raise(SIGTERM); }},
        {"SIGTERM over the context menu",
         [](W& w) {
             OnNextModal<QMenu>([](QMenu*) { std::raise(SIGTERM); }, &w.Sheet());
             RightClick(&w.Sheet(), QPoint(5, 5));
         }},
        {"Back, then Cancel", [](W& w) { w.Click(kBack), w.Click(kCancel); }},
        {"Cancel, then Back", [](W& w) { w.Click(kCancel), w.Click(kBack); }},
    };
    for (const auto& [name, leave] : ways) {
        SCOPED_TRACE(name);
        TempDir dir("/dev/shm");
        W w(W::kDuration, dir.Path());
        CancelOnSignal cancelOnSignal(&w.Sheet());
        w.Click(kNext);
        ASSERT_TRUE(w.WaitForPage(W::kProgress));
        ASSERT_TRUE(QTest::qWaitFor([&] { return W::FilesIn(dir.Path()) > 0; }, 10000));
        leave(w);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return w.Status() == Resource(res::kStoppingText); }, 2000));
        ASSERT_TRUE(w.WaitForClose());
        EXPECT_EQ(w.Sheet().result(), QDialog::Rejected);
        EXPECT_EQ(w.ActivePage(), W::kProgress);
        EXPECT_FALSE(w.AnyRunning());
        EXPECT_EQ(W::FilesIn(dir.Path()), 0u);
    }
}

// A thread that failed still closes and deletes its file while its record
// no longer runs; the server takes 3 s for that here. The page leaves only
// once it is done: for the error page, for the duration page when Back was
// pressed during the stop, and out of the wizard for Cancel.
TEST(WizardFlowTest, AfterAFailureThePageWaitsForTheLastThread) {
    for (const int click : {-1, kBack, kCancel}) {
        SCOPED_TRACE(click);
        FaultMount mount({"fail:read:1:EIO:VXZ", "hang:3000"});
        if (!mount.mounted) GTEST_SKIP() << "FUSE, root or faultfs missing";
        W w(W::kDuration, mount.point.Path());
        w.Click(kNext);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.Sheet().Progress().IsAnyFailed(); }, 30000));
        const auto failed = Clock::now();
        if (click != -1) w.Click(click);
        if (click == kCancel) {
            ASSERT_TRUE(w.WaitForClose(30000));
        } else {
            ASSERT_TRUE(w.WaitForPage(click == kBack ? W::kDuration : W::kError, 30000));
        }
        EXPECT_GE(Clock::now() - failed, std::chrono::milliseconds(2500));
        EXPECT_EQ(W::FilesIn(mount.source.Path()), 0u);
    }
}
