// The wizard driven end to end on real file systems, with clicks and keys.
#include <gtest/gtest.h>
#include <sanitizer/lsan_interface.h>

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTextEdit>
#include <chrono>
#include <csignal>
#include <filesystem>

#include "engine/CDVXProgressData.h"
#include "engine/CDVXThreadManager.h"
#include "gui/toolkit/AskAside.h"
#include "gui/toolkit/CancelOnSignal.h"
#include "gui/toolkit/CancelOnWindowLoss.h"
#include "gui/toolkit/GuiText.h"
#include "gui/wizard/CDetailDlg.h"
#include "gui/wizard/DeletionWait.h"
#include "platform/ResourceIds.h"
#include "report/FailureReport.h"
#include "support/FileSystem.h"
#include "support/NumberText.h"
#include "tests/FaultMount.h"
#include "tests/Fields.h"
#include "tests/GuiActions.h"
#include "tests/TempDir.h"
#include "tests/gui/wizard/WizardDriver.h"

namespace {

// Set in the child of an exit test, which ends with the wizard alive, as the
// program does when its display goes: what the wizard holds then is no leak.
bool g_exitingWithTheWizard = false;

}  // namespace

extern "C" int __lsan_is_turned_off() { return g_exitingWithTheWizard ? 1 : 0; }

namespace {

using W = WizardDriver;
using Clock = std::chrono::steady_clock;

QString Resource(unsigned id) { return ToQString(Chaine(Chaine::ResourceId(id))); }

Fields ButtonsAre(W& w, bool back, bool next, const char* nextText) {
    return std::move(Fields()
                         .Is("Back enabled", w.Button(kBack)->isEnabled(), back)
                         .Is("Next enabled", w.Button(kNext)->isEnabled(), next)
                         .Is("Next text", w.Button(kNext)->text(), nextText));
}

Fields QuestionIs(W& w, QMessageBox::Icon icon, unsigned text) {
    const auto& [caption, shownIcon, shownText] = w.Question();
    return std::move(Fields()
                         .Is("caption", caption, Resource(res::kCaption))
                         .Is("icon", shownIcon, icon)
                         .Is("question", shownText, Resource(text)));
}

// The threads of the program, but for those Qt keeps for its own painting
// and for the session bus, which the progress page's first run connects to.
std::size_t ThreadCount() {
    std::size_t count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        const std::string name = ReadFile(task.path() / "comm");
        count += name != "Thread (pooled)\n" && name != "QDBusConnection\n";
    }
    return count;
}

}  // namespace

// A whole run on a tmpfs, from the first page to the result and back again.
TEST(WizardFlowTest, ARunFromTheWelcomePageToTheResultAndAgain) {
    TempDir dir("/dev/shm");
    const QString typed = QString::fromStdString(dir.Path());
    W w;
    EXPECT_TRUE(ButtonsAre(w, false, true, "&Suivant >"));
    w.Key(Qt::Key_Return);  // Enter presses the default button
    ASSERT_TRUE(w.WaitForPage(W::kDirectory));
    EXPECT_TRUE(ButtonsAre(w, true, true, "&Suivant >"));
    auto* path = w.Find<QLineEdit>(W::kDirectory, "path");
    QTest::keyClicks(path, typed);
    // A tmpfs is no network drive: asked, No and Escape stay on the page, Yes goes on.
    for (const auto answer : {QMessageBox::No, QMessageBox::NoButton, QMessageBox::Yes}) {
        w.AnswerNextQuestion(answer);
        w.Click(kNext);
        EXPECT_TRUE(QuestionIs(w, QMessageBox::Question, res::kNotNetworkQuestion)
                        .Is("page", w.ActivePage(),
                            answer == QMessageBox::Yes ? W::kDuration : W::kDirectory)
                        .Is("path", path->text(), typed));
    }
    ASSERT_TRUE(w.WaitForPage(W::kDuration));
    EXPECT_TRUE(ButtonsAre(w, true, true, "&Suivant >"));

    uint64_t firstRunWritten = 0;
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        const auto started = Clock::now();
        if (run == 1)
            QTest::mouseClick(w.Find<QRadioButton>(W::kDuration, "untilStopped"), Qt::LeftButton);
        w.Click(kNext);
        ASSERT_TRUE(w.WaitForPage(W::kProgress));
        // Enter on a disabled Next does nothing; no bar without an end; directories in full.
        w.Key(Qt::Key_Return);
        const QString directories = typed + ", " + ToQString(GetTempDirectory());
        auto* shown = w.Find<QLabel>(W::kProgress, "directories");
        EXPECT_TRUE(
            ButtonsAre(w, true, false, "&Suivant >")
                .Is("bar shown", w.Find<QWidget>(W::kProgress, "bar")->isVisible(), run == 0)
                .Is("status", w.Status(), Resource(res::kRunningText))
                .Is("running", w.AnyRunning(), true)
                .Is("directories", shown->text(), directories)
                .Is("tooltip", shown->toolTip(), directories));
        const auto label = [&](const char* n) { return w.Find<QLabel>(W::kProgress, n)->text(); };
        if (run == 1) {
            // The counters of the last run are rewritten by the first tick.
            ASSERT_TRUE(QTest::qWaitFor([&] { return label("elapsed") == "0 sec"; }, 2000));
            EXPECT_LT(label("written").toULongLong(), firstRunWritten);
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.Button(kNext)->isEnabled(); }, 20000));
        EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(4900));
        firstRunWritten = label("written").toULongLong();
        EXPECT_TRUE(Fields()
                        .Is("written > 0", firstRunWritten > 0, true)
                        .Is("read > 0", label("read").toULongLong() > 0, true)
                        .Is("elapsed", label("elapsed").endsWith("sec"), true))
            << firstRunWritten << " written, " << label("elapsed").toStdString();

        w.Click(run == 0 ? kNext : kBack);
        EXPECT_EQ(w.Status(), Resource(res::kStoppingText));
        ASSERT_TRUE(w.WaitForPage(run == 0 ? W::kNoError : W::kDuration));
        EXPECT_TRUE(ButtonsAre(w, true, true, run ? "&Suivant >" : "Terminer")
                        .Is("running", w.AnyRunning(), false)
                        .Is("files left", Listing(dir.Path()), ""));
        if (run == 0) {
            // The result says what was tested: stopped after how long of the
            // 5 minutes, the bytes in groups of digits, each number held to its
            // label by no-break spaces, and the directory.
            const RunSnapshot progress = w.Sheet().Snapshot();
            const QString summary = w.Find<QLabel>(W::kNoError, "summary")->text();
            EXPECT_GT(progress.TotalRead(true), 0u);
            const QString duration =
                ToQString(CDVXProgressData::FormatDuration(progress.ElapsedMs()));
            const QString nbsp(QChar(0xA0));
            for (const QString& part :
                 {QStringLiteral("Arrêté après ") + QString(duration).replace(' ', nbsp) +
                      QStringLiteral(" sur 5") + nbsp + QStringLiteral("min prévues"),
                  QStringLiteral("écrits") + nbsp + ':' + nbsp +
                      ToQString(FormatGroupedNumber(progress.TotalWritten(true))) + nbsp,
                  QStringLiteral("lus") + nbsp + ':' + nbsp +
                      ToQString(FormatGroupedNumber(progress.TotalRead(true))) + nbsp,
                  typed})
                EXPECT_TRUE(summary.contains(part)) << (part + " in " + summary).toStdString();
            w.Click(kBack);
        }
        ASSERT_TRUE(w.WaitForPage(W::kDuration)) << "Back skips the progress page";
    }
}

// A directory whose server stopped answering: Next waits up to the stall
// limit, then warns and stays on the page, the window turning meanwhile, and
// Cancel ends the wait at once; once the server answers, Next asks as for any
// path that is not on a network.
TEST(WizardFlowTest, NextOnADirectoryThatDoesNotAnswerWarnsAndStays) {
    FaultMount mount({"stall:getattr:slow"});
    if (!mount.mounted) GTEST_SKIP() << "FUSE, root or faultfs missing";
    std::filesystem::create_directory(mount.source.File("slow"));
    const QString slow = QString::fromStdString(mount.point.File("slow"));
    {
        W cancelled(W::kDirectory);  // a minute's stall limit
        cancelled.Find<QLineEdit>(W::kDirectory, "path")->setText(slow);
        QTimer::singleShot(kAnswerLimitMs + 500, [&cancelled] { cancelled.Click(kCancel); });
        const auto start = Clock::now();
        cancelled.Click(kNext);
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
        EXPECT_TRUE(cancelled.WaitForClose(0));
    }
    W w(W::kDirectory, "", {.stallLimitMs = 3000});
    w.Find<QLineEdit>(W::kDirectory, "path")->setText(slow);
    const auto start = Clock::now();
    const LoopWatch watch;
    w.AnswerNextQuestion(QMessageBox::Ok);
    w.Click(kNext);
    EXPECT_TRUE(
        QuestionIs(w, QMessageBox::Warning, res::kNoAnswerWarning)
            .Is("page", w.ActivePage(), W::kDirectory)
            .Is("longest ms without an event", watch.LongestMs() < kAnswerLimitMs / 2, true))
        << watch.LongestMs() << " ms without an event";
    EXPECT_GT(Clock::now() - start, std::chrono::milliseconds(2 * kAnswerLimitMs))
        << "the stall limit";
    mount.Release();
    w.AnswerNextQuestion(QMessageBox::Yes);
    w.Click(kNext);
    EXPECT_TRUE(QuestionIs(w, QMessageBox::Question, res::kNotNetworkQuestion));
    EXPECT_TRUE(w.WaitForPage(W::kDuration));
}

// A folder on a network client that keeps the writes in a local cache: Next
// asks, naming the client, No stays on the page and Yes goes on. A client
// that writes through to the server is taken without a question.
TEST(WizardFlowTest, NextAsksBeforeTakingAFolderOnAClientThatCachesWrites) {
    const QString cached = Resource(res::kCachingClientQuestion).replace("%s", "fuse.rclone");
    // The client faultfs poses as; the answer; the question asked; the page then.
    const std::tuple<const char*, QMessageBox::StandardButton, QString, int> rows[] = {
        {"rclone", QMessageBox::No, cached, W::kDirectory},
        {"rclone", QMessageBox::Yes, cached, W::kDuration},
        {"sshfs", QMessageBox::No, "", W::kDuration},
    };
    for (const auto& [client, answer, question, page] : rows) {
        SCOPED_TRACE(std::string(client) + (answer == QMessageBox::Yes ? ", Yes" : ", No"));
        FaultMount mount({}, client);
        if (!mount.mounted) GTEST_SKIP() << "FUSE, root or faultfs missing";
        const QString point = QString::fromStdString(mount.point.Path());
        W w(W::kDirectory);
        auto* path = w.Find<QLineEdit>(W::kDirectory, "path");
        path->selectAll();
        QTest::keyClicks(path, point);
        w.AnswerNextQuestion(answer);
        w.Click(kNext);
        EXPECT_TRUE(Fields()
                        .Is("question", std::get<2>(w.Question()), question)
                        .Is("page", w.ActivePage(), page)
                        .Is("path", path->text(), point));
    }
}

// A directory that does not exist fails every test: the error page comes
// without a click, offers Finish and the reports of the failed tests, the
// whole run's among them, and Back leads to the duration page. Finish leaves
// no window and no thread.
TEST(WizardFlowTest, AMissingDirectoryReachesTheErrorPageUnaided) {
    TempDir dir("/dev/shm");
    const std::size_t threadsBefore = ThreadCount();
    {
        W w(W::kDuration, dir.File("missing"));
        for (int run = 0; run < 2; ++run) {
            w.Click(kNext);
            ASSERT_TRUE(w.WaitForPage(W::kError, 30000));
            const auto failed = FailureReport::Collect(w.Sheet().Snapshot()).size();
            EXPECT_TRUE(ButtonsAre(w, true, true, "Terminer").Is("reports", failed > 0, true));
            EXPECT_TRUE(w.Find<QLabel>(W::kError, "summary")
                            ->text()
                            .contains(QString::fromStdString(dir.File("missing"))));
            std::size_t tabs = 0;  // Details opens again once left
            const std::string saved = dir.File("run" + std::to_string(run) + ".html");
            OnNextModal<CDetailDlg>(
                [&tabs, &saved](CDetailDlg* details) {
                    tabs = details->findChild<QTabBar*>()->count();
                    OnNextModal<QFileDialog>(
                        [&saved](QFileDialog* files) {
                            auto* name = files->findChild<QLineEdit*>("fileNameEdit");
                            name->setText(QString::fromStdString(saved));
                            QTest::keyClick(name, Qt::Key_Return);
                        },
                        details);
                    PickFromContextMenu(details->findChild<QTextEdit*>("view")->viewport(),
                                        {20, 20},
                                        "Enregistrer le rapport complet du test (HTML)...");
                    QTest::keyClick(details, Qt::Key_Escape);
                },
                &w.Sheet());
            QTest::mouseClick(w.Find<QPushButton>(W::kError, "details"), Qt::LeftButton);
            // The run's report: the directory, the share's course drawn, each failure.
            const std::string html = ReadFile(saved);
            std::size_t reported = 0;
            for (std::size_t at = 0;
                 (at = html.find("<section class=\"failure\"", at)) != std::string::npos; ++at)
                ++reported;
            EXPECT_TRUE(
                Fields()
                    .Is("tabs", tabs, failed)
                    .Is("page", w.ActivePage(), W::kError)
                    .Is("directory", html.find(dir.File("missing")) != std::string::npos, true)
                    .Is("chart", html.find("<polyline class=\"series\"") != std::string::npos, true)
                    .Is("failures", reported, failed));
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
        {"window destroyed", [](W& w) { w.DestroyWindow(); }},
        {"Back, then Cancel", [](W& w) { w.Click(kBack), w.Click(kCancel); }},
        {"Cancel, then Back", [](W& w) { w.Click(kCancel), w.Click(kBack); }},
    };
    for (const auto& [name, leave] : ways) {
        SCOPED_TRACE(name);
        TempDir dir("/dev/shm");
        W w(W::kDuration, dir.Path());
        CancelOnSignal cancelOnSignal(&w.Sheet());
        CancelOnWindowLoss cancelOnWindowLoss(&w.Sheet());
        w.Click(kNext);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Listing(dir.Path()).empty(); }, 10000));
        leave(w);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return w.Status() == Resource(res::kStoppingText); }, 2000));
        ASSERT_TRUE(w.WaitForClose());
        EXPECT_TRUE(Fields()
                        .Is("result", w.Sheet().result(), QDialog::Rejected)
                        .Is("page", w.ActivePage(), W::kProgress)
                        .Is("running", w.AnyRunning(), false)
                        .Is("files left", Listing(dir.Path()), "")
                        .Is("window lost", cancelOnWindowLoss.Lost(),
                            std::string(name) == "window destroyed"));
    }
}

// A run that has lasted its first minute: Escape, the close box and Back
// ask before they throw it away, and Enter answers No;
// Yes ends it as Cancel, or Back, does without asking.
TEST(WizardFlowTest, LeavingALongRunAsks) {
    TempDir dir("/dev/shm");
    W w(W::kDuration, dir.Path(), {.minuteMs = 1000});
    QTest::mouseClick(w.Find<QRadioButton>(W::kDuration, "untilStopped"), Qt::LeftButton);
    const auto start = [&w] {
        w.Click(kNext);
        return QTest::qWaitFor([&] { return w.Sheet().Snapshot().ElapsedMs() > 1000; }, 10000);
    };
    ASSERT_TRUE(start());
    const auto back = [](W& w) { w.Click(kBack); };
    const std::tuple<const char*, void (*)(W&), int> ways[] = {
        {"Escape, Enter", [](W& w) { w.Key(Qt::Key_Escape); }, Qt::Key_Return},
        {"close box, No", [](W& w) { w.Sheet().close(); }, QMessageBox::No},
        {"Back, No", back, QMessageBox::No},
        {"Back, Yes", back, QMessageBox::Yes},
        {"Escape, Yes", [](W& w) { w.Key(Qt::Key_Escape); }, QMessageBox::Yes},
    };
    for (const auto& [name, close, answer] : ways) {
        SCOPED_TRACE(name);
        QString asked;
        OnNextModal<QMessageBox>(
            [&asked, answer = answer](QMessageBox* box) {
                asked = box->text();
                if (answer == Qt::Key_Return) return QTest::keyClick(box, Qt::Key_Return);
                QTest::mouseClick(box->button(QMessageBox::StandardButton(answer)), Qt::LeftButton);
            },
            &w.Sheet());
        close(w);
        EXPECT_EQ(asked, Resource(res::kStopQuestion));
        if (answer != QMessageBox::Yes) {
            EXPECT_TRUE(Fields()
                            .Is("shown", w.Sheet().isVisible(), true)
                            .Is("status", w.Status(), Resource(res::kRunningText))
                            .Is("running", w.AnyRunning(), true));
        } else if (std::string_view(name).starts_with("Back")) {
            // Back to the duration page, the run's files gone, for another run.
            ASSERT_TRUE(w.WaitForPage(W::kDuration));
            EXPECT_EQ(Listing(dir.Path()), "");
            ASSERT_TRUE(start());
        }
    }
    ASSERT_TRUE(w.WaitForClose());
    EXPECT_TRUE(Fields()
                    .Is("result", w.Sheet().result(), QDialog::Rejected)
                    .Is("files left", Listing(dir.Path()), ""));
}

// The display's loss makes Qt call exit(1) in the middle of a run: the run
// ends first, its threads delete their files in the share and in the
// temporary directory, and nothing crashes on the way out.
TEST(WizardFlowTest, AnExitDuringARunLeavesNoFile) {
    TempDir share("/dev/shm"), temp("/dev/shm");
    // Read once per process: set before anything asks, as when CTest runs
    // this test alone.
    ::setenv("TMPDIR", temp.Path().c_str(), 1);
    const bool fresh = GetTempDirectory().ToUtf8() == temp.Path() + "/";
    ::unsetenv("TMPDIR");
    if (!fresh) GTEST_SKIP() << "the temporary directory was read before this test";
    EXPECT_EXIT(
        {
            W w(W::kDuration, share.Path());
            w.Click(kNext);
            const bool writing = QTest::qWaitFor(
                [&] { return !Listing(share.Path()).empty() && !Listing(temp.Path()).empty(); },
                10000);
            g_exitingWithTheWizard = true;
            std::exit(writing ? 7 : 3);
        },
        testing::ExitedWithCode(7), "");
    EXPECT_EQ(Listing(share.Path()) + Listing(temp.Path()), "");
}

// A share that stops answering: the run ends by itself on the error page
// soon after the stall limit, with the stalled call's file in the report, and
// a Cancel closes the window within 2 s, long before the limit. The threads
// stuck on the share are left behind; the window never waits on them.
TEST(WizardFlowTest, AStalledShareNeverHoldsTheWindow) {
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "Cancel" : "by itself");
        FaultMount mount({"stall:write:VXZ"});
        if (!mount.mounted) GTEST_SKIP() << "FUSE, root or faultfs missing";
        {
            W w(W::kDuration, mount.point.Path(), {.stallLimitMs = cancel ? 60000u : 3000u});
            w.Click(kNext);
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return !w.Sheet().Snapshot().WaitingTests(1000).empty(); }, 10000));
            const auto stalled = Clock::now();
            if (cancel) {
                w.Click(kCancel);
                EXPECT_TRUE(w.WaitForClose(2000));
                EXPECT_EQ(w.Sheet().result(), QDialog::Rejected);
            } else {
                ASSERT_TRUE(w.WaitForPage(W::kError, 10000));
                EXPECT_LT(Clock::now() - stalled, std::chrono::milliseconds(3000 + 1000 + 1000));
                const auto reports = FailureReport::Collect(w.Sheet().Snapshot());
                ASSERT_FALSE(reports.empty());
                const TestFailure& f = reports[0].test.failure;
                EXPECT_TRUE(f.stallSeconds >= 3 &&
                            f.stallFile.ToUtf8().starts_with(mount.point.Path() + "/VXZ"))
                    << f.stallFile.ToUtf8();
            }
        }
        // The window gone, the threads it left behind come back once the share answers.
        mount.Release();
        EXPECT_TRUE(QTest::qWaitFor([] { return !CDVXThreadManager::WaitForAbandoned(); }, 5000));
    }
}

// A thread that failed still closes and deletes its file while its record no longer runs;
// the server takes 3 s for that here. The page leaves only once it is done: for the error
// page, for the duration page when Back was pressed during the stop. Cancel closes the
// wizard within 2 s, and the thread deletes its file all the same, a small window
// saying so until it is done.
TEST(WizardFlowTest, AfterAFailureThePageWaitsForTheLastThread) {
    for (const int click : {-1, kBack, kCancel}) {
        SCOPED_TRACE(click);
        FaultMount mount({"fail:read:1:EIO:VXZ", "hang:3000"});
        if (!mount.mounted) GTEST_SKIP() << "FUSE, root or faultfs missing";
        W w(W::kDuration, mount.point.Path());
        w.Click(kNext);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.Sheet().Snapshot().AnyFailed(); }, 30000));
        const auto failed = Clock::now();
        if (click != -1) w.Click(click);
        if (click == kCancel) {
            ASSERT_TRUE(w.WaitForClose(2000));
            QString shown;
            std::string filesMeanwhile;
            QTimer::singleShot(300, [&] {
                for (QWidget* window : QApplication::topLevelWidgets()) {
                    auto* box = qobject_cast<QProgressDialog*>(window);
                    if (box && box->isVisible()) shown = box->labelText();
                }
                filesMeanwhile = Listing(mount.source.Path());
            });
            ShowWhileFilesAreDeleted();
            EXPECT_TRUE(Fields()
                            .Is("window", shown, Resource(res::kDeletingFilesText))
                            .Is("files meanwhile", filesMeanwhile.empty(), false)
                            .Is("files after", Listing(mount.source.Path()), ""));
            for (QWidget* window : QApplication::topLevelWidgets())
                EXPECT_FALSE(window->isVisible()) << window->metaObject()->className();
        } else {
            ASSERT_TRUE(w.WaitForPage(click == kBack ? W::kDuration : W::kError, 30000));
            EXPECT_GE(Clock::now() - failed, std::chrono::milliseconds(2500));
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return Listing(mount.source.Path()).empty(); }, 10000))
            << Listing(mount.source.Path());
        EXPECT_TRUE(QTest::qWaitFor([] { return !CDVXThreadManager::WaitForAbandoned(); }, 5000));
    }
}
