// The pages and the dialog that collect the settings: fields that refill
// themselves, values brought into range, layouts that hold their texts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

#include "engine/TestSession.h"
#include "gui/controls/ZFolderNameEdit.h"
#include "gui/toolkit/GuiText.h"
#include "gui/toolkit/UpDownCtrl.h"
#include "gui/wizard/CAboutDlg.h"
#include "gui/wizard/CAdvancedDlg.h"
#include "gui/wizard/CNoErrorPage.h"
#include "gui/wizard/CTimePage.h"
#include "platform/ResourceIds.h"
#include "support/FileSystem.h"
#include "tests/TempDir.h"
#include "tests/gui/wizard/WizardDriver.h"

namespace {

using W = WizardDriver;

// Types over the whole field; empties it first, as a user does with
// Backspace, when `clear` is set. Text that no key types, an input method
// commits.
void Retype(QLineEdit* field, const QString& text, bool clear = false) {
    field->setFocus();
    field->selectAll();
    if (clear) QTest::keyClick(field, Qt::Key_Backspace);
    if (QString::fromLatin1(text.toLatin1()) == text) return QTest::keyClicks(field, text);
    QInputMethodEvent typed;
    typed.setCommitString(text);
    QApplication::sendEvent(field, &typed);
}

void Clear(QLineEdit* field) { Retype(field, "", true); }

// The duration page alone, before a result page, which starts nothing and
// leads back to it: Next stores what the page holds, without a run.
struct TimePageAlone {
    TestSession session;
    CPropertySheet sheet{"", nullptr, 0};

    TimePageAlone() {
        sheet.AddPage(new CTimePage(session));
        sheet.AddPage(new CNoErrorPage(session));
        sheet.show();
    }
    template <typename T>
    T* Find(const char* name) {
        return sheet.GetPage(0)->findChild<T*>(QString::fromLatin1(name));
    }
    // Presses `button` once it is enabled, and waits for page `index`.
    void Press(int button, int index) {
        QPushButton* b = sheet.GetButton(button);
        EXPECT_TRUE(QTest::qWaitFor([&] { return b->isEnabled(); }));
        QTest::mouseClick(b, Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return sheet.GetActiveIndex() == index; }));
    }
    // Next, then Back to the page: what was stored.
    uint32_t Store() {
        Press(kNext, 1);
        Press(kBack, 0);
        return session.prefs.durationMinutes;
    }
};

}  // namespace

TEST(SettingsPagesTest, ThePathFieldRefillsAndKeepsWhatWasTyped) {
    TempDir dir;
    const QString typed = QString::fromStdString(dir.Path() + "/");
    W w(W::kDirectory);
    auto* path = w.Find<QLineEdit>(W::kDirectory, "path");
    Chaine folder;
    GetFoldersBase(folder, false);
    EXPECT_EQ(path->text(), ToQString(folder)) << "the default data folder";
    Retype(path, "abc");
    Clear(path);
    EXPECT_EQ(std::pair(path->text(), path->selectedText()),
              std::pair(ToQString(folder), ToQString(folder)));
    QTest::keyClicks(path, typed);
    w.Click(kBack);
    ASSERT_TRUE(w.WaitForPage(W::kWelcome));
    EXPECT_TRUE(w.Sheet().Settings().directory.IsEmpty()) << "Back stores nothing";
    w.Click(kNext);
    ASSERT_TRUE(w.WaitForPage(W::kDirectory));
    EXPECT_EQ(path->text(), typed);
    w.AnswerNextQuestion(QMessageBox::Yes);  // a local folder
    w.Click(kNext);
    ASSERT_TRUE(w.WaitForPage(W::kDuration));
    EXPECT_EQ(w.Sheet().Settings().directory, ToChaine(typed)) << "stored as typed";
}

// Next refuses a folder that the run could not use and says why, as the
// field's tooltip does for what the path alone shows. (A usable folder goes on
// to the question of a local path: WizardFlowTest.)
TEST(SettingsPagesTest, NextRefusesAFolderTheRunCannotUseAndSaysWhy) {
    TempDir dir;
    WriteFile(dir.File("file"), "x");
    std::filesystem::create_directory_symlink(dir.File("loop"), dir.File("loop"));
    TmpfsMount small("2m"), readOnly("1m", "ro");
    // Permissions stop no write by root: a read-only file system does.
    const bool root = geteuid() == 0;
    const std::string locked = root ? readOnly.Path() : dir.File("locked");
    if (!root) std::filesystem::create_directory(locked), chmod(locked.c_str(), 0555);
    const QString d = QString::fromStdString(dir.Path()),
                  cannot = "Dalvex ne peut pas écrire dans ce dossier : ";
    // Typed; the message shown; whether the field's tooltip says it too.
    // clang-format off
    const std::tuple<QString, QString, bool> rows[] = {
        {"relatif/dossier", "Le chemin doit être absolu : il doit commencer par « / ».", true},
        {"/tmp/a|b", "Un nom de fichier ne doit contenir aucun des caractères \\ * ? \" < > | : ce chemin contient « | ».", true},
        {"/tmp/a*b?c", "Un nom de fichier ne doit contenir aucun des caractères \\ * ? \" < > | : ce chemin contient « * ».", true},
        {"C:\\Temp", "Le chemin doit être absolu : il doit commencer par « / ».", true},
        {d + "/missing/deeper", "Le dossier « " + d + "/missing » n'existe pas.", true},
        {d + "/file", "« " + d + "/file » est un fichier, pas un dossier.", true},
        {d + "/file/", "« " + d + "/file » est un fichier, pas un dossier.", true},
        {d + "/loop", "Le chemin passe par une boucle de liens symboliques.", true},
        {"/" + QString(5000, 'a'), "Le chemin est trop long.", true},
        {QString::fromStdString(locked), cannot + (root ? "Le support est protégé en écriture." : "Accès refusé."), false},
        {QString::fromStdString(small.Path()), "Le disque de ce dossier n'a que 2 Mo d'espace libre ; le test en demande 30 (voir Avancé).", false},
        {"/tmp/Ω日本", "Le chemin ne doit contenir que des caractères de l'alphabet Windows-1252 : son caractère n° 6, U+03A9, n'en est pas un.", true},
        {"/tmp/a😀", "Le chemin ne doit contenir que des caractères de l'alphabet Windows-1252 : son caractère n° 7, U+1F600, n'en est pas un.", true},
        {"/proc/self", "Dalvex ne peut créer aucun fichier dans ce dossier : son système de fichiers n'accepte pas de nouveau nom.", false},
    };
    // clang-format on
    W w(W::kDirectory);
    auto* path = w.Find<ZFolderNameEdit>(W::kDirectory, "path");
    for (const auto& [typed, message, inField] : rows) {
        if (typed.toStdString() == small.Path() && !small.Mounted()) continue;  // not root
        SCOPED_TRACE(typed.left(40).toStdString());
        Retype(path, typed);
        w.AnswerNextQuestion(QMessageBox::NoButton);
        w.Click(kNext);
        EXPECT_EQ(std::pair(std::get<2>(w.Question()), w.ActivePage()),
                  std::pair(message, int{W::kDirectory}));
        const QString tip = inField ? message : QString();
        EXPECT_TRUE(QTest::qWaitFor([&] { return path->toolTip() == tip; }))
            << path->toolTip().toStdString();
    }
}

TEST(SettingsPagesTest, EnterAndEscapeServeTheCompletionListWhileItShows) {
    TempDir dir;
    std::filesystem::create_directories(dir.File("dossier"));
    W w(W::kDirectory);
    // Offscreen, a closed popup leaves no window active: the sheet is made
    // active again, as the window system would.
    const auto activate = [&w] {
        w.Sheet().activateWindow();
        // The platform's own news of the popup's end comes after: let it pass.
        QTest::qWait(100);
        return w.Sheet().isActiveWindow();
    };
    auto* path = w.Find<ZFolderNameEdit>(W::kDirectory, "path");
    EXPECT_EQ(path->GetMessage(0), Chaine(Chaine::ResourceId(res::kBrowseInstruction)));
    Retype(path, QString::fromStdString(dir.Path() + "/"));
    w.AnswerNextQuestion(QMessageBox::No);  // for the Enter that reaches Next
    for (int key : {Qt::Key_Escape, Qt::Key_Return}) {
        ASSERT_TRUE(activate());
        path->setFocus();
        w.Key(Qt::Key_Down, Qt::ShiftModifier);
        ASSERT_TRUE(QTest::qWaitFor([&] { return path->IsListShown(); }));
        w.Key(key);
        EXPECT_FALSE(path->IsListShown()) << key;
        QTest::qWait(50);
        EXPECT_TRUE(w.Sheet().isVisible() && !w.QuestionShown()) << key << " stays in the list";
    }
    // The list hidden, Enter is Next's (the question of a local path
    // shows), and Escape the wizard's.
    ASSERT_TRUE(activate());
    w.Key(Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.QuestionShown(); }));
    EXPECT_EQ(w.ActivePage(), W::kDirectory);
    w.Key(Qt::Key_Escape);
    EXPECT_TRUE(w.WaitForClose());
}

TEST(SettingsPagesTest, TheMinutesFieldRefillsAndStoresWithinItsBounds) {
    TimePageAlone w;
    auto* minutes = w.Find<QLineEdit>("minutes");
    auto* timed = w.Find<QRadioButton>("timed");
    auto* untilStopped = w.Find<QRadioButton>("untilStopped");
    EXPECT_EQ(std::pair(timed->isChecked(), minutes->text()), std::pair(true, QString("5")));

    // What is typed, what the field then shows, what Next stores.
    const std::tuple<const char*, const char*, uint32_t> cases[] = {
        {"", "5", 5},
        {"0", "5", 5},
        {"1", "1", 3},
        {"12", "12", 12},
        {"35791", "35791", 35791},
        {"35792", "3579", 3579},
        {"9x-", "9", 9},
    };
    for (const auto& [typed, shown, stored] : cases) {
        SCOPED_TRACE(typed);
        Clear(minutes);
        EXPECT_EQ(minutes->selectedText(), "5") << "the refill is selected";
        QTest::keyClicks(minutes, typed);
        EXPECT_EQ(minutes->text(), shown);
        EXPECT_EQ(w.Store(), stored);
    }
    // Left, the field shows the duration that Next stores.
    Retype(minutes, "1");
    QTest::keyClick(minutes, Qt::Key_Tab);
    EXPECT_EQ(minutes->text(), "3");

    // The arrows and the arrow keys stop at 3 and 32767.
    auto* arrows = w.Find<UpDownCtrl>("minutesSpin");
    auto* up = arrows->findChildren<QToolButton*>().at(0);
    auto* down = arrows->findChildren<QToolButton*>().at(1);
    Retype(minutes, "32766");
    QTest::mouseClick(up, Qt::LeftButton);
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(minutes->text(), "32767");
    Retype(minutes, "4");
    QTest::keyClick(minutes, Qt::Key_Down);
    QTest::mouseClick(down, Qt::LeftButton);
    EXPECT_EQ(minutes->text(), "3");
    Retype(minutes, "35000");  // typed beyond the arrows' range: Up leaves it, Down comes in
    QTest::keyClick(minutes, Qt::Key_Up);
    EXPECT_EQ(minutes->text(), "35000");
    QTest::mouseClick(down, Qt::LeftButton);
    EXPECT_EQ(minutes->text(), "32767");

    // Going into the field chooses the timed run; "until stopped" is stored
    // and shown again, the field back to its default.
    QTest::mouseClick(untilStopped, Qt::LeftButton);
    ASSERT_TRUE(untilStopped->isChecked());
    QTest::mouseClick(minutes, Qt::LeftButton);
    EXPECT_TRUE(timed->isChecked());
    QTest::mouseClick(untilStopped, Qt::LeftButton);
    EXPECT_EQ(w.Store(), CDVXPrefs::UntilStopped);
    EXPECT_EQ(std::pair(untilStopped->isChecked(), minutes->text()), std::pair(true, QString("5")));
}

TEST(SettingsPagesTest, TheAdvancedDialogStoresOnlyOnOkAndWithinRange) {
    W w(W::kDirectory);
    const CDVXPrefs& prefs = w.Sheet().Settings();
    // Disk space and sets typed (the tests that change files clicked each
    // time), then what OK stores; Cancel stores nothing. And the megabytes
    // the run's 1 MB files would write past the space asked, as typed (0: not past).
    const std::tuple<const char*, const char*, bool, uint32_t, uint32_t, int> cases[] = {
        {"5", "8", true, 10, 5, 110},      {"0", "0", true, 10, 1, 0},
        {"abc", "-5", true, 10, 1, 22},    {"-5", "2", true, 10, 2, 20},
        {"41000", "3", true, 32767, 3, 0}, {"100", "4", false, 32767, 3, 0},
    };
    for (const auto& [space, sets, ok, storedSpace, storedSets, pastMb] : cases) {
        SCOPED_TRACE(space);
        bool checked = false;
        QTimer::singleShot(50, [&, space = space, sets = sets, ok = ok, storedSpace = storedSpace,
                                storedSets = storedSets, pastMb = pastMb] {
            auto* dialog = qobject_cast<CAdvancedDlg*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            // A field is refilled when the focus leaves it, which takes an active window.
            ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
            EXPECT_EQ(dialog->parentWidget(), &w.Sheet());
            EXPECT_LE(dialog->width(), w.Sheet().width()) << "no wider than the wizard";
            auto* disk = dialog->findChild<QLineEdit*>("diskSpace");
            auto* tests = dialog->findChild<QLineEdit*>("simultaneous");
            auto* priority = dialog->findChild<QCheckBox*>("priority");
            Clear(disk);
            Clear(tests);
            EXPECT_EQ(std::pair(disk->text(), tests->text()),
                      std::pair(QString("30"), QString("1")));
            Retype(disk, space);
            Retype(tests, sets);
            checked = priority->isChecked();
            QTest::mouseClick(priority, Qt::LeftButton);
            QTest::mouseClick(dialog->findChild<QCheckBox*>("modifyTests"), Qt::LeftButton);
            EXPECT_EQ(dialog->findChild<QLabel*>("diskNeeded")->text(),
                      pastMb ? QString("Le test écrira jusqu'à %1 Mo : %1 fichiers d'au moins 1 "
                                       "Mo chacun.")
                                   .arg(pastMb)
                             : QString());
            // Both fields left, each shows its number brought into range: what OK stores.
            if (ok) {
                EXPECT_EQ(std::pair(disk->text().toUInt(), tests->text().toUInt()),
                          std::pair(storedSpace, storedSets));
            }
            QTest::mouseClick(dialog->findChild<QPushButton*>(ok ? "ok" : "cancel"),
                              Qt::LeftButton);
        });
        const int priorityBefore = prefs.threadPriority;
        const bool modifyBefore = prefs.modifyTests;
        QTest::mouseClick(w.Find<QPushButton>(W::kDirectory, "advanced"), Qt::LeftButton);
        EXPECT_EQ(std::tuple(prefs.diskSpaceMb, prefs.simultaneousTests),
                  std::tuple(storedSpace, storedSets));
        EXPECT_EQ(prefs.threadPriority, ok ? (checked ? -1 : 0) : priorityBefore);
        EXPECT_EQ(prefs.modifyTests, ok != modifyBefore);
    }

    // The arrows stop at the bounds: 10 and 32767 MB, 1 and 5 sets.
    TestSession session;
    CAdvancedDlg dialog(session, &w.Sheet());
    const std::tuple<const char*, const char*, const char*, int, const char*> arrows[] = {
        {"diskSpace", "diskSpaceSpin", "11", -2, "10"},
        {"diskSpace", "diskSpaceSpin", "32766", 2, "32767"},
        {"simultaneous", "simultaneousSpin", "2", -3, "1"},
        {"simultaneous", "simultaneousSpin", "x", 9, "5"},
    };
    for (const auto& [field, spin, start, clicks, end] : arrows) {
        auto* edit = dialog.findChild<QLineEdit*>(field);
        edit->setText(start);
        auto buttons = dialog.findChild<UpDownCtrl*>(spin)->findChildren<QToolButton*>();
        for (int i = 0; i < std::abs(clicks); ++i) {
            QTest::mouseClick(buttons.at(clicks > 0 ? 0 : 1), Qt::LeftButton);
        }
        EXPECT_EQ(edit->text(), end) << field << " from " << start;
    }
}

// No text of a page or of the dialog is cut off: wrapped labels are no taller
// than their room, single lines no wider.
TEST(SettingsPagesTest, EveryTextFitsItsRectangle) {
    W w;
    TestSession session;
    // The line of what the run writes shows, at its longest.
    session.prefs.SetDiskSpaceMb(10), session.prefs.SetSimultaneousTests(5);
    session.prefs.modifyTests = true;
    CAdvancedDlg dialog(session, &w.Sheet());
    CAboutDlg about(&w.Sheet(), Chaine(DALVEX_GUI_PATH));  // with the version block's texts
    QList<QWidget*> windows{&dialog, &about};
    for (int i = 0; i < w.Sheet().GetPageCount(); ++i) windows << w.Sheet().GetPage(i);
    int checked = 0;
    for (QWidget* window : windows) {
        for (QWidget* child : window->findChildren<QWidget*>()) {
            auto* label = qobject_cast<QLabel*>(child);
            const bool choice =
                qobject_cast<QCheckBox*>(child) || qobject_cast<QRadioButton*>(child);
            if (!(label && !label->text().isEmpty()) && !choice) continue;
            ++checked;
            const QSize room = child->size();
            const bool fits = label && label->wordWrap()
                                  ? label->heightForWidth(room.width()) <= room.height()
                                  : child->sizeHint().width() <= room.width() &&
                                        child->fontMetrics().height() <= room.height();
            EXPECT_TRUE(fits) << window->metaObject()->className()
                              << "::" << child->objectName().toStdString();
        }
    }
    EXPECT_GE(checked, 40);
}
