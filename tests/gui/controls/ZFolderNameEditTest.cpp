// The folder field as a user meets it: completions from the real file system,
// the keys of the list, the pause before checking, drops and pastes, and the
// browse dialog behind its button.
#include "gui/controls/ZFolderNameEdit.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <QVBoxLayout>
#include <filesystem>
#include <fstream>

#include "gui/controls/ZPopListBoxEx.h"
#include "gui/toolkit/GuiText.h"
#include "gui/toolkit/MessageBeep.h"
#include "tests/GuiActions.h"
#include "tests/TempDir.h"

namespace fs = std::filesystem;

namespace {

// Counts the checks and the fills that the pauses in the typing bring.
class CountingEdit : public ZFolderNameEdit {
public:
    int Validate(const Chaine& text) override {
        ++validations;
        return ZFolderNameEdit::Validate(text);
    }
    void FillCompletionList(const Chaine& text) override {
        ++fills;
        ZFolderNameEdit::FillCompletionList(text);
    }
    int validations = 0;
    int fills = 0;
};

// A window with the field and a second edit to move to.
class FieldWindow {
public:
    FieldWindow() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(edit = new CountingEdit);
        layout->addWidget(next = new QLineEdit);
        window.resize(400, 80);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
    }
    // A real key: through the window system, which hands it to the list
    // while the list shows.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(window.windowHandle(), key, modifiers);
    }
    // Types `text` over the field and opens the list with Shift+Down.
    void Open(const QString& text) {
        edit->selectAll();
        QTest::keyClicks(edit, text);
        Key(Qt::Key_Down, Qt::ShiftModifier);
    }
    QStringList Items() {
        QStringList items;
        for (int i = 0; i < edit->GetList()->count(); ++i)
            items << edit->GetList()->item(i)->text();
        return items;
    }

    QWidget window;
    CountingEdit* edit;
    QLineEdit* next;
};

void MakeFolders(const TempDir& dir, std::initializer_list<const char*> names) {
    for (const char* name : names) fs::create_directories(dir.File(name));
}

}  // namespace

TEST(ZFolderNameEditTest, OffersTheFoldersThatStartLikeTheNameUntilFocusLeaves) {
    TempDir dir;
    // A name that the program's text cannot hold is not offered.
    MakeFolders(dir, {"Alpha", "alpine", "ALPINE", "a:b", "beta", ".cache", "cfg", "cfg/inner",
                      "\u65E5", "what?"});
    std::ofstream(dir.File("album.txt")) << "a file, not a folder";
    const QString colon = QString::fromStdString(dir.File("a:"));
    // Typed, ignoring case, offered. Relative text is taken from the current
    // directory; a colon after a separator is a character of the name.
    const std::tuple<QString, bool, QStringList> rows[] = {
        {"/tm", false, {"/tmp"}},
        {"./", false, {"./ALPINE", "./Alpha", "./a:b", "./alpine", "./beta", "./cfg"}},
        {"AL", true, {"Alpha", "ALPINE", "alpine"}},  // two folders, not one
        {colon, false, {colon + "b"}},
        {"al", false, {"alpine"}},
        {".c", false, {".cache"}},
        {"cfg/", false, {"cfg/inner"}},
        {"zz", false, {}},
    };
    const QString here = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(dir.Path()));
    FieldWindow f;
    for (const auto& [typed, ignoreCase, offered] : rows) {
        f.edit->SetIgnoreCase(ignoreCase);
        f.Open(typed);
        EXPECT_EQ(std::pair(f.Items(), f.edit->IsListShown()),
                  std::pair(offered, !offered.isEmpty()))
            << typed.toStdString();
        if (f.edit->IsListShown()) f.Key(Qt::Key_Escape);
    }
    // The list closes on a click outside, opening it does not; and when focus
    // leaves, after which a folder made meanwhile is offered.
    f.Open("./");
    ASSERT_TRUE(f.edit->IsListShown());
    QTest::mouseClick(f.window.windowHandle(), Qt::LeftButton, {},
                      f.next->mapTo(&f.window, QPoint(5, 5)));
    EXPECT_FALSE(f.edit->IsListShown());
    f.edit->setFocus();
    f.Open("./");
    ASSERT_TRUE(f.edit->IsListShown());
    f.Key(Qt::Key_Tab);
    EXPECT_EQ(std::tuple(f.edit->IsListShown(), f.next->hasFocus(), f.edit->hasSelectedText(),
                         f.edit->cursorPosition()),
              std::tuple(false, true, false, 0));
    MakeFolders(dir, {"three"});
    f.edit->setFocus();
    f.Open("./");
    EXPECT_TRUE(f.Items().contains("./three"));
    QDir::setCurrent(here);
}

TEST(ZFolderNameEditTest, TheListKeysMoveTakeAndRestore) {
    TempDir dir;
    for (int i = 0; i < 15; ++i) fs::create_directories(dir.File("d" + std::to_string(100 + i)));
    const QString typed = QString::fromStdString(dir.Path() + "/d");
    const auto item = [&](int i) { return typed + QString::number(100 + i); };
    // The keys; then the row selected, the text, whether the list shows and
    // the text is all selected.
    const std::tuple<std::vector<Qt::Key>, int, QString, bool, bool> rows[] = {
        {{Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}, 0, item(0), true, false},
        {{Qt::Key_PageDown}, 9, item(9), true, false},
        {{Qt::Key_PageDown, Qt::Key_PageDown}, 14, item(14), true, false},
        {{Qt::Key_PageDown, Qt::Key_Down, Qt::Key_PageUp}, 0, item(0), true, false},
        {{Qt::Key_PageDown, Qt::Key_Escape}, 9, typed, false, false},
        {{Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}, 1, item(1), false, true},
    };
    FieldWindow f;
    for (const auto& [keys, row, text, shown, allSelected] : rows) {
        f.Open(typed);
        ASSERT_TRUE(f.edit->IsListShown());
        for (Qt::Key key : keys) f.Key(key);
        // The text from the list is checked at once: only the typed one is missing.
        EXPECT_EQ(std::tuple(f.edit->GetList()->currentRow(), f.edit->text(), f.edit->IsListShown(),
                             f.edit->selectedText(), f.edit->cursorPosition(), f.edit->IsInvalid()),
                  std::tuple(row, text, shown, allSelected ? text : "", text.size(), text == typed))
            << keys.size() << " keys, last " << keys.back();
        if (f.edit->IsListShown()) f.Key(Qt::Key_Escape);
    }
}

TEST(ZFolderNameEditTest, QuickTypingIsCheckedAndCompletedOnceAfterThePause) {
    TempDir dir;
    MakeFolders(dir, {"abcdefg"});
    FieldWindow f;
    QTest::keyClicks(f.edit, QString::fromStdString(dir.Path() + "/a"));
    f.edit->validations = f.edit->fills = 0;
    QTest::keyClicks(f.edit, "bcdef");
    EXPECT_EQ(std::pair(f.edit->validations, f.edit->fills), std::pair(0, 0)) << "before the pause";
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.edit->fills == 1; }));
    QTest::qWait(2 * ZButtonEdit::kPauseMs);
    EXPECT_EQ(std::pair(f.edit->validations, f.edit->fills), std::pair(1, 1));
    EXPECT_EQ(f.Items(), QStringList{QString::fromStdString(dir.Path() + "/abcdefg")});
    // Typed through the list, the text is followed even once valid; Escape
    // keeps what was typed last, and no pause opens the list again.
    const QString whole = QString::fromStdString(dir.Path() + "/abcdefg");
    f.Key(Qt::Key_G);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.edit->fills == 2; }));
    EXPECT_EQ(std::tuple(f.edit->text(), f.Items(), f.edit->IsListShown(), f.edit->IsInvalid()),
              std::tuple(whole, QStringList{whole}, true, false));
    f.Key(Qt::Key_Backspace);
    f.Key(Qt::Key_Escape);  // before the pause
    QTest::qWait(2 * ZButtonEdit::kPauseMs);
    EXPECT_EQ(std::tuple(f.edit->text(), f.edit->IsListShown(), f.edit->fills),
              std::tuple(whole.chopped(1), false, 2));
    QTest::keyClick(f.edit, Qt::Key_G);  // valid, the list hidden: not completed
    QTest::qWait(2 * ZButtonEdit::kPauseMs);
    EXPECT_EQ(std::pair(f.edit->IsListShown(), f.edit->fills), std::pair(false, 2));
    // Without the pause each key is checked, and completed while invalid, at once.
    f.edit->SetFlag(ZButtonEdit::kDelayedValidation, false);
    f.edit->SetFlag(ZButtonEdit::kDelayedCompletion, false);
    f.edit->validations = f.edit->fills = 0;
    QTest::keyClicks(f.edit, "/x");  // a folder, then a missing one
    EXPECT_EQ(std::pair(f.edit->validations, f.edit->fills), std::pair(2, 1));
}

TEST(ZFolderNameEditTest, AProblemShowsInTheTextColourAndTheTooltip) {
    TempDir dir;
    MakeFolders(dir, {"empty", "full"});
    std::ofstream(dir.File("full/a.txt")) << "x";
    ZFolderNameEdit edit;
    const auto code = [&](const std::string& text) { return edit.Validate(Chaine(text.c_str())); };
    const std::string missing = dir.File("missing"), deep = dir.File("missing/deeper");
    EXPECT_EQ(std::tuple(code(""), code(dir.Path()), code(missing)), std::tuple(0, 0, 1));
    edit.SetAcceptMissing(true, false);
    EXPECT_EQ(std::tuple(code(missing), code(deep)), std::tuple(0, 0));
    edit.SetAcceptMissing(true, true);
    EXPECT_EQ(std::tuple(code(missing), code(deep)), std::tuple(0, 2));
    edit.SetBrowseTexts("Choisir|sans|avec", "*.TXT|*.doc", "");
    EXPECT_EQ(std::tuple(code(dir.File("full")), code(dir.File("empty"))), std::tuple(0, 2));
    EXPECT_EQ(std::pair(edit.GetMessage(0), edit.GetMessage(2)),
              std::pair(Chaine("Choisir"), Chaine("sans")));

    // The page's set-up: its instruction on the button, the table's text for code 1.
    FieldWindow f;
    f.edit->SetBrowseTexts("Instruction", "", "");
    f.edit->SetRequired(true);
    QTest::keyClicks(f.edit, QString::fromStdString(missing));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return f.edit->IsInvalid() && f.edit->GetCode() != ZButtonEdit::kRequired; }));
    EXPECT_EQ(f.edit->toolTip(), QStringLiteral("Valeur interdite"));
    EXPECT_EQ(f.edit->palette().color(QPalette::Text), QColor(ZButtonEdit::kInvalidTextColor));
    f.edit->selectAll();
    QTest::keyClick(f.edit, Qt::Key_Backspace);
    EXPECT_EQ(f.edit->toolTip(), QStringLiteral("Champ requis")) << "at once, not after the pause";
    f.edit->SetText(Chaine(dir.Path().c_str()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.edit->IsInvalid(); }));
    EXPECT_TRUE(f.edit->toolTip().isEmpty());
    EXPECT_NE(f.edit->palette().color(QPalette::Text), QColor(ZButtonEdit::kInvalidTextColor));
    EXPECT_EQ(f.edit->GetMessage(0), "Instruction");
}

TEST(ZFolderNameEditTest, DroppedAndPastedFoldersReplaceTheTextOtherThingsBeep) {
    TempDir dir;
    MakeFolders(dir, {"folder"});
    std::ofstream(dir.File("file.txt")) << "x";
    fs::create_directory_symlink(dir.File("folder"), dir.File("link"));
    const auto url = [&](const char* name) {
        return QUrl::fromLocalFile(QString::fromStdString(dir.File(name))).toEncoded();
    };
    const QString folder = QString::fromStdString(dir.File("folder")),
                  link = QString::fromStdString(dir.File("link"));
    const char *uris = "text/uri-list", *copied = "x-special/gnome-copied-files";
    enum How { kDrop, kCtrlV, kShiftInsert, kMenu };
    // How, what; the text afterwards (all of it selected when it is a folder), the beeps.
    const std::tuple<How, const char*, QByteArray, QString, int> rows[] = {
        {kDrop, uris, url("folder"), folder, 0},
        {kDrop, uris, url("file.txt"), "avant", 1},
        {kDrop, uris, "smb://serveur/partage", "avant", 1},
        {kCtrlV, uris, url("folder") + "\r\n", folder, 0},
        {kShiftInsert, copied, "copy\n" + url("link"), link, 0},
        {kCtrlV, copied, "cut\n" + url("file.txt"), "avant", 1},
        {kMenu, uris, url("folder"), folder, 0},
        {kCtrlV, "text/plain", "/coll", "av/collant", 0},
        {kCtrlV, uris, "https://serveur/page", "avhttps://serveur/pageant", 0},  // a web link
    };
    FieldWindow f;
    for (const auto& [how, format, payload, text, beeps] : rows) {
        f.edit->setText("avant");
        f.edit->setCursorPosition(2);
        auto data = std::make_unique<QMimeData>();
        data->setData(format, payload);
        if (how != kDrop) data->setText(QString::fromUtf8(payload));  // as copied
        const int beepsBefore = MessageBeepCount();
        if (how == kDrop) {
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, {});
            QApplication::sendEvent(f.edit, &enter);
            EXPECT_TRUE(enter.isAccepted());
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, {});
            QApplication::sendEvent(f.edit, &drop);
        } else {
            QGuiApplication::clipboard()->setMimeData(data.release());
        }
        if (how == kCtrlV) f.Key(Qt::Key_V, Qt::ControlModifier);
        if (how == kShiftInsert) f.Key(Qt::Key_Insert, Qt::ShiftModifier);
        if (how == kMenu) PickFromContextMenu(f.edit, QPoint(10, 5), QLineEdit::tr("&Paste"));
        EXPECT_EQ(
            std::tuple(f.edit->text(), f.edit->selectedText(), MessageBeepCount() - beepsBefore),
            std::tuple(text, text.startsWith('/') ? text : "", beeps))
            << payload.toStdString();
    }
}

// The browse dialog opens on the field's folder, or its nearest existing
// ancestor, under the root given; with expected files its status line and OK
// follow the selection. A choice replaces the text, Annuler changes nothing,
// and no settings file is written on the way.
TEST(ZFolderNameEditTest, TheButtonAndF4Browse) {
    TempDir dir, config;
    MakeFolders(dir, {"empty", "full", "x|y"});  // "|": a name the program cannot test
    std::ofstream(dir.File("full/a.txt")) << "x";
    const QString here = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(dir.Path()));  // for a relative start
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.Path()));
    const QString root = QString::fromStdString(dir.Path()), full = root + "/full";
    FieldWindow f;
    struct Row {
        bool button;                                       // else F4
        const char* expected;                              // files
        const char* root;                                  // "" for the whole tree
        std::vector<std::pair<const char*, bool>> clicks;  // folder, OK enabled there
        QString start;
        const char* answer;
        QString text;
    };
    // clang-format off
    const Row rows[] = {
        {false, "*.TXT|*.doc", "r", {{"empty", false}, {"full", true}}, full + "/missing", "ok", full},
        {true, "", "r", {{"empty", true}, {"x|y", false}, {"empty", true}}, full + "/missing", "ok",
         root + "/empty"},
        {false, "", "", {}, "full/missing", "cancel", "full/missing"},
    };
    // clang-format on
    for (const Row& row : rows) {
        f.edit->SetBrowseTexts("Choisir|Aucun|Vu", row.expected, *row.root ? ToChaine(root) : "");
        f.edit->setFocus();
        f.edit->setText(row.start);
        OnNextModal<QDialog>(
            [&](QDialog* dialog) {
                auto* tree = dialog->findChild<QTreeView*>("tree");
                auto* model = static_cast<QFileSystemModel*>(tree->model());
                auto* ok = dialog->findChild<QPushButton*>("ok");
                auto* status = dialog->findChild<QLabel*>("status");
                EXPECT_EQ(std::tuple(model->filePath(tree->rootIndex()),
                                     model->filePath(tree->currentIndex())),
                          std::tuple(*row.root ? root : "/", full));
                EXPECT_TRUE(QTest::qWaitFor(
                    [&] { return model->rowCount(tree->rootIndex()) == 3 || !*row.root; }));
                for (const auto& [folder, holds] : row.clicks) {
                    const QRect item = tree->visualRect(model->index(root + "/" + folder));
                    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, item.center());
                    EXPECT_EQ(std::tuple(ok->isEnabled(), status->isVisible(), status->text()),
                              std::tuple(holds, *row.expected != 0,
                                         *row.expected ? (holds ? "Vu" : "Aucun") : ""))
                        << folder;
                }
                QTest::mouseClick(dialog->findChild<QPushButton*>(row.answer), Qt::LeftButton);
            },
            f.edit);
        if (row.button) {
            QTest::mouseClick(f.edit, Qt::LeftButton, {}, f.edit->ButtonRect().center());
        } else {
            f.Key(Qt::Key_F4);
        }
        EXPECT_EQ(std::pair(f.edit->text(), f.edit->selectedText()),
                  std::pair(row.text, row.text.endsWith("missing") ? "" : row.text));
    }
    qputenv("XDG_CONFIG_HOME", savedConfig);
    QDir::setCurrent(here);
    EXPECT_EQ(Listing(config.Path()), "");
}
