// The folder field as a user meets it: completions from the real file system, the
// keys of the list, the pause before checking, drops, pastes, the browse dialog, and
// a folder that does not answer.
#include "gui/controls/ZFolderNameEdit.h"

#include <QClipboard>
#include <QDialog>
#include <QFileSystemModel>
#include <QFutureWatcher>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <filesystem>

#include "gui/controls/ZPopListBoxEx.h"
#include "gui/toolkit/AskAside.h"
#include "gui/toolkit/GuiText.h"
#include "gui/toolkit/MessageBox.h"
#include "tests/FaultMount.h"
#include "tests/Fields.h"
#include "tests/GuiActions.h"
#include "tests/TempDir.h"

namespace {

// Counts the checks and the fills that the pauses in the typing bring.
struct CountingEdit : ZFolderNameEdit {
    using Base = ZFolderNameEdit;
    int Validate(const Chaine& t) override { return ++checks, Base::Validate(t); }
    void FillCompletionList(const Chaine& t) override { ++fills, Base::FillCompletionList(t); }
    int checks = 0, fills = 0;
};

// The field in a window with a second edit to move to; a fresh current directory.
class ZFolderNameEditTest : public testing::Test {
protected:
    ZFolderNameEditTest() {
        auto* layout = new QVBoxLayout(&top);
        layout->addWidget(edit = new CountingEdit);
        layout->addWidget(next = new QLineEdit);
        top.resize(400, 80);
        top.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&top));
        edit->setFocus();
        QDir::setCurrent(root);
    }
    ~ZFolderNameEditTest() override { QDir::setCurrent(here); }

    // Through the window system, which hands the key to the list while it shows.
    void Key(Qt::Key k, Qt::KeyboardModifier m = {}) { QTest::keyClick(top.windowHandle(), k, m); }
    // Until the field has the answers to its questions to the file system,
    // each asked on a thread of its own that a watcher of the field awaits.
    void Settle() {
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return edit->findChildren<QFutureWatcherBase*>().isEmpty(); }, 10000));
    }
    // Types `text` over the field and opens the list with Shift+Down.
    void Open(const QString& text) {
        edit->selectAll();
        QTest::keyClicks(edit, text);
        Key(Qt::Key_Down, Qt::ShiftModifier);
        Settle();
    }
    QStringList Items() {
        QStringList items;
        for (auto* item : edit->GetList()->findItems("", Qt::MatchContains)) items << item->text();
        return items;
    }
    void Folders(std::initializer_list<const char*> names) {
        for (const char* name : names) std::filesystem::create_directories(dir.File(name));
    }
    QString Path(const char* name) const { return root + '/' + name; }
    // The tooltip and the colour of the text: a problem's, or the plain look.
    Fields LookIs(const QString& tooltip, QColor text) const {
        return std::move(Fields()
                             .Is("tooltip", edit->toolTip(), tooltip)
                             .Is("text colour", edit->palette().color(QPalette::Text), text));
    }
    Fields LooksPlain() const { return LookIs("", next->palette().color(QPalette::Text)); }

    TempDir dir;
    const QString root = QString::fromStdString(dir.Path()), here = QDir::currentPath();
    QWidget top;
    CountingEdit* edit;
    QLineEdit* next;
};

TEST_F(ZFolderNameEditTest, OffersTheFoldersThatStartLikeTheNameUntilFocusLeaves) {
    Folders({"Alpha", "alpine", "ALPINE", "a:b", "beta", ".cache", "\u65E5", "what?"});
    WriteFile(dir.File("album.txt"), "a file, not a folder");
    // Typed, ignoring case, offered: from the current directory for relative text, a colon
    // after a separator in the name, and no name that the program's text cannot hold.
    const std::tuple<QString, bool, QStringList> rows[] = {
        {"./", false, {"./ALPINE", "./Alpha", "./a:b", "./alpine", "./beta"}},
        {"AL", true, {"Alpha", "ALPINE", "alpine"}},  // two folders, not one
        {Path("a:"), false, {Path("a:b")}},
        {"al", false, {"alpine"}},
        {".c", false, {".cache"}},
        {"zz", false, {}},
    };
    for (const auto& [typed, ignoreCase, offered] : rows) {
        edit->SetIgnoreCase(ignoreCase);
        Open(typed);
        EXPECT_TRUE(Fields()
                        .Is("offered", Items(), offered)
                        .Is("list shown", edit->IsListShown(), !offered.isEmpty()))
            << typed.toStdString();
        if (edit->IsListShown()) Key(Qt::Key_Escape);
    }
    // Focus leaving by Tab closes the list, and the folders are listed afresh
    // when it comes back: one made meanwhile shows. A click outside closes it too.
    Open("./");
    Key(Qt::Key_Tab);
    EXPECT_TRUE(Fields()
                    .Is("list shown", edit->IsListShown(), false)
                    .Is("next has focus", next->hasFocus(), true)
                    .Is("text selected", edit->hasSelectedText(), false)
                    .Is("cursor", edit->cursorPosition(), 0));
    Folders({"three"});
    edit->setFocus();
    Open("./");
    EXPECT_TRUE(Fields()
                    .Is("offers the new one", Items().contains("./three"), true)
                    .Is("list shown", edit->IsListShown(), true));
    QTest::mouseClick(top.windowHandle(), Qt::LeftButton, {}, next->geometry().center());
    EXPECT_FALSE(edit->IsListShown());
}

TEST_F(ZFolderNameEditTest, TheListKeysMoveTakeAndRestore) {
    for (int i = 100; i < 115; ++i) Folders({("d" + std::to_string(i)).c_str()});
    using enum Qt::Key;
    // The keys; then the text, whether the list shows and the text is all selected.
    const std::tuple<std::vector<Qt::Key>, const char*, bool, bool> rows[] = {
        {{Key_PageDown, Key_Down, Key_PageUp, Key_Down, Key_Down, Key_Up}, "d101", true, false},
        {{Key_PageDown, Key_PageDown}, "d114", true, false},
        {{Key_PageDown, Key_Escape}, "d", false, false},
        {{Key_Down, Key_Down, Key_Return}, "d101", false, true},
    };
    for (const auto& [keys, name, shown, allSelected] : rows) {
        Open(Path("d"));
        for (Qt::Key key : keys) Key(key);
        Settle();
        // The text from the list is checked again: only the typed one is missing.
        const QString text = Path(name);
        EXPECT_TRUE(Fields()
                        .Is("text", edit->text(), text)
                        .Is("list shown", edit->IsListShown(), shown)
                        .Is("selected", edit->selectedText(), allSelected ? text : "")
                        .Is("cursor", edit->cursorPosition(), text.size())
                        .Is("invalid", edit->IsInvalid(), text == Path("d")))
            << keys.size() << " keys, last " << keys.back();
        if (edit->IsListShown()) Key(Key_Escape);
    }
}

// A problem shows in the text's colour and the tooltip, after the pause; an
// empty required field at once.
TEST_F(ZFolderNameEditTest, QuickTypingIsCheckedAndCompletedOnceAfterThePause) {
    Folders({"abcdefg"});
    const QString whole = Path("abcdefg");
    edit->checks = edit->fills = 0;
    QTest::keyClicks(edit, Path("abcdef"));
    EXPECT_TRUE(Fields().Is("checks", edit->checks, 0).Is("fills", edit->fills, 0))
        << "before the pause";
    // Filled a second time once the folder's names come.
    QTest::qWait(3 * ZButtonEdit::kPauseMs);
    EXPECT_TRUE(Fields()
                    .Is("checks", edit->checks, 1)
                    .Is("fills", edit->fills, 2)
                    .Is("offered", Items(), QStringList{whole}));
    EXPECT_TRUE(LookIs("Valeur interdite", QColor(0xC00000u)));
    // Typed through the list, the text is followed even once valid; Escape
    // keeps what was typed last, and no pause opens the list again.
    Key(Qt::Key_G);
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit->fills == 3; }));
    EXPECT_TRUE(LooksPlain()
                    .Is("text", edit->text(), whole)
                    .Is("offered", Items(), QStringList{whole})
                    .Is("list shown", edit->IsListShown(), true));
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Escape);  // before the pause
    QTest::qWait(2 * ZButtonEdit::kPauseMs);
    EXPECT_TRUE(Fields()
                    .Is("text", edit->text(), whole.chopped(1))
                    .Is("list shown", edit->IsListShown(), false)
                    .Is("fills", edit->fills, 3));
    QTest::keyClick(edit, Qt::Key_G);  // valid, the list hidden: not completed
    QTest::qWait(2 * ZButtonEdit::kPauseMs);
    EXPECT_TRUE(Fields().Is("list shown", edit->IsListShown(), false).Is("fills", edit->fills, 3));
    edit->SetRequired(true);
    edit->clear();
    EXPECT_EQ(edit->toolTip(), "Champ requis");
    // Without the pause each key is checked at once, and completed once the
    // check says it is invalid: only the last text's answer counts.
    edit->SetFlag(ZButtonEdit::kDelayedValidation, false);
    edit->SetFlag(ZButtonEdit::kDelayedCompletion, false);
    edit->checks = edit->fills = 0;
    QTest::keyClicks(edit, "/x");  // a folder, then a missing one
    EXPECT_TRUE(Fields().Is("checks", edit->checks, 2).Is("fills", edit->fills, 0));
    Settle();
    EXPECT_TRUE(
        Fields().Is("fills", edit->fills, 2).Is("code", edit->GetCode(), ZButtonEdit::kForbidden));
}

TEST_F(ZFolderNameEditTest, DroppedAndPastedFoldersReplaceTheTextOtherThingsBeep) {
    Folders({"folder"});
    WriteFile(dir.File("file.txt"), "x");
    std::filesystem::create_directory_symlink(dir.File("folder"), dir.File("link"));
    const auto url = [&](const char* name) { return QUrl::fromLocalFile(Path(name)).toEncoded(); };
    const char *uris = "text/uri-list", *copied = "x-special/gnome-copied-files";
    enum How { kDrop, kCtrlV, kShiftInsert, kMenu, kMiddleClick };
    // How, what; the text after: selected when a folder, with a beep when left as it was.
    const std::tuple<How, const char*, QByteArray, QString> rows[] = {
        {kDrop, uris, url("folder"), Path("folder")},
        {kDrop, uris, url("Ω日本"), Path("Ω日本")},  // taken, to be refused with the reason
        {kCtrlV, uris, url("folder") + "\r\n", Path("folder")},
        {kShiftInsert, copied, "copy\n" + url("link"), Path("link")},
        {kCtrlV, copied, "cut\n" + url("file.txt"), "avant"},
        {kMenu, uris, url("folder"), Path("folder")},
        {kCtrlV, "text/plain", "/coll", "av/collant"},
        {kCtrlV, "text/plain", "  /some/dir\n", "av/some/dirant"},      // as a terminal copies it
        {kMiddleClick, "text/plain", "/some/dir\n", "avant/some/dir"},  // a terminal's selection
        {kCtrlV, uris, "https://serveur/page", "avhttps://serveur/pageant"},  // a web link
    };
    for (const auto& [how, format, payload, text] : rows) {
        // The X11 selection: offscreen has none.
        if (how == kMiddleClick && !QGuiApplication::clipboard()->supportsSelection()) continue;
        edit->setText("avant");
        edit->setCursorPosition(2);
        auto data = std::make_unique<QMimeData>();
        data->setData(format, payload);
        data->setText(QString::fromUtf8(payload));  // as a file manager gives it
        const int beeps = MessageBox::BeepCount();
        if (how == kDrop) {
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, {});
            QApplication::sendEvent(edit, &enter);
            EXPECT_TRUE(enter.isAccepted());
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, {});
            QApplication::sendEvent(edit, &drop);
        } else {
            QGuiApplication::clipboard()->setMimeData(data.release(), how == kMiddleClick
                                                                          ? QClipboard::Selection
                                                                          : QClipboard::Clipboard);
        }
        if (how == kMiddleClick) {  // past the end of the text
            QTest::mouseClick(edit, Qt::MiddleButton, {},
                              QPoint(edit->fontMetrics().horizontalAdvance("avant") + 20, 5));
        }
        if (how == kCtrlV) Key(Qt::Key_V, Qt::ControlModifier);
        if (how == kShiftInsert) Key(Qt::Key_Insert, Qt::ShiftModifier);
        if (how == kMenu) PickFromContextMenu(edit, QPoint(10, 5), QLineEdit::tr("&Paste"));
        EXPECT_TRUE(Fields()
                        .Is("text", edit->text(), text)
                        .Is("selected", edit->selectedText(), text.startsWith('/') ? text : "")
                        .Is("beeps", MessageBox::BeepCount() - beeps, text == "avant" ? 1 : 0))
            << payload.toStdString();
    }
}

// The codes of a missing folder and of one without the expected files. The browse
// dialog opens on the field's folder, or its nearest existing ancestor, under the
// root given; with expected files its status line and OK follow the selection. A
// choice replaces the text, Annuler changes nothing, and no settings are written.
TEST_F(ZFolderNameEditTest, TheCodesAndTheBrowseDialogOfTheExpectedFiles) {
    // "|": a name the program cannot test; "Ω日本": one its text cannot carry.
    Folders({"empty", "full", "x|y", "Ω日本"});
    WriteFile(dir.File("full/a.txt"), "x");
    // Checked as soon as it is set, even set again; the code once the check answers.
    edit->SetFlag(ZButtonEdit::kDelayedValidation, false);
    const auto code = [&](const char* name) {
        edit->clear();
        edit->setText(dir.File(name).c_str());
        Settle();
        return edit->GetCode();
    };
    EXPECT_TRUE(Fields()
                    .Is("empty", edit->Validate(""), 0)
                    .Is(".", code("."), 0)
                    .Is("missing", code("missing"), 1));
    edit->SetAcceptMissing(true, false);
    EXPECT_EQ(code("missing/deeper"), 0);
    edit->SetAcceptMissing(true, true);
    EXPECT_TRUE(Fields().Is("missing", code("missing"), 0).Is("deeper", code("missing/deeper"), 2));
    // Code 1 keeps the table's text.
    edit->SetBrowseTexts("Choisir|Aucun|Vu", "*.TXT|*.doc", "");
    EXPECT_TRUE(Fields()
                    .Is("full", code("full"), 0)
                    .Is("empty", code("empty"), 2)
                    .Is("message 0", edit->GetMessage(0), Chaine("Choisir"))
                    .Is("message 1", edit->GetMessage(1), Chaine("Valeur interdite"))
                    .Is("message 2", edit->GetMessage(2), Chaine("Aucun")));

    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.File("config")));
    // By the button or F4; the expected files; under the root or not; the folders clicked,
    // with OK enabled there, the last one taken with OK (with no click, Annuler).
    const std::tuple<bool, const char*, bool, std::vector<std::pair<const char*, bool>>> rows[] = {
        {false, "*.TXT|*.doc", true, {{"empty", false}, {"full", true}}},
        // A click on the greyed "Ω日本" leaves "empty" chosen.
        {true, "", true, {{"empty", true}, {"Ω日本", true}, {"x|y", false}, {"empty", true}}},
        {false, "", false, {}},
    };
    for (const auto& row : rows) {
        // Taken out of the row by name: clang cannot capture structured bindings.
        const bool button = std::get<0>(row), rooted = std::get<2>(row);
        const char* const expected = std::get<1>(row);
        const auto& clicks = std::get<3>(row);
        edit->SetBrowseTexts("Choisir|Aucun|Vu", expected, rooted ? dir.Path().c_str() : "");
        edit->setFocus();
        edit->setText("full/missing");
        OnNextModal<QDialog>(
            [&](QDialog* dialog) {
                auto* tree = dialog->findChild<QTreeView*>("tree");
                auto* model = static_cast<QFileSystemModel*>(tree->model());
                auto* status = dialog->findChild<QLabel*>("status");
                EXPECT_TRUE(
                    Fields()
                        .Is("root", model->filePath(tree->rootIndex()), rooted ? root : "/")
                        .Is("current", model->filePath(tree->currentIndex()), Path("full")));
                EXPECT_TRUE(QTest::qWaitFor(
                    [&] { return model->rowCount(tree->rootIndex()) == 4 || !rooted; }));
                const QModelIndex greyed = model->index(Path("Ω日本"));
                EXPECT_TRUE(
                    Fields()
                        .Is("greyed", model->flags(greyed).testFlag(Qt::ItemIsEnabled), false)
                        .Is("why", model->data(greyed, Qt::ToolTipRole).toString(),
                            ToQString(UncarriedRefusal(Path("Ω日本")))));
                for (const auto& [folder, holds] : clicks) {
                    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                                      tree->visualRect(model->index(Path(folder))).center());
                    EXPECT_TRUE(Fields()
                                    .Is("OK enabled",
                                        dialog->findChild<QPushButton*>("ok")->isEnabled(), holds)
                                    .Is("status shown", status->isVisible(), *expected != 0)
                                    .Is("status", status->text(),
                                        *expected ? (holds ? "Vu" : "Aucun") : ""))
                        << folder;
                }
                QTest::mouseClick(dialog->findChild<QPushButton*>(clicks.empty() ? "cancel" : "ok"),
                                  Qt::LeftButton);
            },
            edit);
        button ? QTest::mouseClick(edit, Qt::LeftButton, {}, edit->ButtonRect().center())
               : Key(Qt::Key_F4);
        const QString text = clicks.empty() ? "full/missing" : Path(clicks.back().first);
        EXPECT_TRUE(Fields()
                        .Is("text", edit->text(), text)
                        .Is("selected", edit->selectedText() == text, !clicks.empty()));
    }
    qputenv("XDG_CONFIG_HOME", savedConfig);
    EXPECT_FALSE(std::filesystem::exists(dir.File("config")));
}

// A folder whose server stopped answering: the window goes on turning, the
// field says that the folder does not answer and offers nothing; once the
// server answers again, the next check finds the folder and lists it.
TEST_F(ZFolderNameEditTest, AFolderThatDoesNotAnswerNeverHoldsTheWindow) {
    FaultMount mount({"stall:getattr:slow"});
    if (!mount.mounted) GTEST_SKIP() << "FUSE, root or faultfs missing";
    std::filesystem::create_directories(mount.source.File("slow/inner"));
    const QString slow = QString::fromStdString(mount.point.File("slow"));
    const LoopWatch watch;
    QTest::keyClicks(edit, slow);
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit->GetCode() == ZButtonEdit::kNoAnswer; }));
    Settle();  // the listing of the mount, which holds the folder, answers no more
    EXPECT_TRUE(LookIs("Le dossier ne répond pas", QColor(0xC00000u))
                    .Is("list shown", edit->IsListShown(), false)
                    .Is("window turning", watch.LongestMs() < kAnswerLimitMs / 2, true))
        << watch.LongestMs() << " ms without an event";
    mount.Release();
    Open(slow + "/");
    EXPECT_TRUE(LooksPlain().Is("offered", Items(), QStringList{slow + "/inner"}));
}

}  // namespace
