// The folder field as a user meets it: completions from the real file system,
// the keys of the list, the pause before checking, drops and pastes, and the
// browse dialog behind its button.
#include "support/controls/ZFolderNameEdit.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QVBoxLayout>
#include <filesystem>
#include <fstream>

#include "platform/gui/GuiText.h"
#include "platform/gui/MessageBeep.h"
#include "support/controls/ZPopListBoxEx.h"
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
    void Open(const std::string& text) {
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromStdString(text));
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

TEST(ZFolderNameEditTest, OffersTheFoldersThatStartLikeTheName) {
    TempDir dir;
    // A name that the program's text cannot hold is not offered.
    MakeFolders(dir, {"Alpha", "alpine", "beta", ".cache", "cfg", "cfg/inner", "\u65E5", "what?"});
    std::ofstream(dir.File("album.txt")) << "a file, not a folder";
    const std::string d = dir.Path() + "/";
    const auto in = [&d](QStringList names) {
        return names.replaceInStrings(QRegularExpression("^"), QString::fromStdString(d));
    };
    struct Row {
        std::string typed;
        bool ignoreCase;
        QStringList expected;
    };
    const Row rows[] = {
        {"/tm", false, {"/tmp"}},
        {d, false, in({"Alpha", "alpine", "beta", "cfg"})},
        {d + "al", true, in({"Alpha", "alpine"})},
        {d + "al", false, in({"alpine"})},
        {d + ".c", false, in({".cache"})},
        {d + "c", false, in({"cfg"})},
        {d + "cfg/", false, in({"cfg/inner"})},
        {d + "zz", false, {}},
    };
    FieldWindow f;
    for (const Row& row : rows) {
        f.edit->SetIgnoreCase(row.ignoreCase);
        f.Open(row.typed);
        EXPECT_EQ(f.Items(), row.expected) << row.typed;
        EXPECT_EQ(f.edit->IsListShown(), !row.expected.isEmpty()) << row.typed;
        if (f.edit->IsListShown()) f.Key(Qt::Key_Escape);
    }
    // Relative text is taken from the current directory.
    const QString here = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(dir.Path()));
    f.edit->SetIgnoreCase(true);
    f.Open("AL");
    EXPECT_EQ(f.Items(), QStringList({"Alpha", "alpine"}));
    QDir::setCurrent(here);
}

TEST(ZFolderNameEditTest, TheListKeysMoveTakeAndRestore) {
    TempDir dir;
    for (int i = 0; i < 15; ++i) fs::create_directories(dir.File("d" + std::to_string(100 + i)));
    const QString typed = QString::fromStdString(dir.Path() + "/d");
    const auto item = [&](int i) { return typed + QString::number(100 + i); };
    struct Row {
        std::vector<Qt::Key> keys;
        int row;  // selected afterwards, -1 for none
        QString text;
        bool shown;
        bool allSelected;
    };
    const Row rows[] = {
        {{Qt::Key_Down}, 0, item(0), true, false},
        {{Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}, 0, item(0), true, false},
        {{Qt::Key_Up}, 0, item(0), true, false},
        {{Qt::Key_PageDown}, 9, item(9), true, false},
        {{Qt::Key_PageDown, Qt::Key_PageDown}, 14, item(14), true, false},
        {{Qt::Key_PageDown, Qt::Key_Down, Qt::Key_PageUp}, 0, item(0), true, false},
        {{Qt::Key_PageDown, Qt::Key_Escape}, 9, typed, false, false},
        {{Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}, 1, item(1), false, true},
    };
    FieldWindow f;
    for (const Row& row : rows) {
        f.Open(typed.toStdString());
        ASSERT_TRUE(f.edit->IsListShown());
        for (Qt::Key key : row.keys) f.Key(key);
        const auto* list = f.edit->GetList();
        EXPECT_EQ(std::tuple(list->currentRow(), f.edit->text(), f.edit->IsListShown(),
                             f.edit->hasSelectedText()),
                  std::tuple(row.row, row.text, row.shown, row.allSelected))
            << row.keys.size() << " keys, last " << row.keys.back();
        if (row.allSelected) EXPECT_EQ(f.edit->selectedText(), row.text);
        EXPECT_EQ(f.edit->cursorPosition(), row.text.size()) << "caret at the end";
        if (f.edit->IsListShown()) f.Key(Qt::Key_Escape);
    }
    // The folder taken with Enter is checked again: no longer reported.
    EXPECT_FALSE(f.edit->IsInvalid());
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
    // A valid text is not completed.
    f.Key(Qt::Key_Escape);
    QTest::keyClick(f.edit, Qt::Key_G);
    QTest::qWait(2 * ZButtonEdit::kPauseMs);
    EXPECT_EQ(std::tuple(f.edit->validations, f.edit->fills, f.edit->IsInvalid()),
              std::tuple(2, 1, false));
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
        return QUrl::fromLocalFile(QString::fromStdString(dir.File(name)));
    };
    FieldWindow f;
    const auto drop = [&](const QUrl& target) {
        QMimeData data;
        data.setUrls({target});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(f.edit, &enter);
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(f.edit, &dropped);
        return enter.isAccepted();
    };
    const auto paste = [&](QMimeData* data, QKeySequence keys) {
        QGuiApplication::clipboard()->setMimeData(data);
        f.Key(static_cast<Qt::Key>(keys[0].key()), keys[0].keyboardModifiers());
    };
    const auto copied = [](const QByteArray& format, const QByteArray& bytes) {
        auto* data = new QMimeData;
        data->setData(format, bytes);
        return data;
    };
    struct Row {
        std::function<void()> act;
        QString text;  // afterwards, all of it selected when it changed
        int beeps;
    };
    const QString before = "avant";
    const Row rows[] = {
        {[&] { EXPECT_TRUE(drop(url("folder"))); }, url("folder").toLocalFile(), 0},
        {[&] { drop(url("link")); }, url("link").toLocalFile(), 0},
        {[&] { drop(url("file.txt")); }, before, 1},
        {[&] { drop(url("missing")); }, before, 1},
        {[&] { drop(QUrl("smb://serveur/partage")); }, before, 1},
        {[&] {
             paste(copied("text/uri-list", url("folder").toEncoded() + "\r\n"),
                   QKeySequence("Ctrl+V"));
         },
         url("folder").toLocalFile(), 0},
        {[&] {
             paste(copied("x-special/gnome-copied-files", "copy\n" + url("link").toEncoded()),
                   QKeySequence("Shift+Ins"));
         },
         url("link").toLocalFile(), 0},
        {[&] {
             paste(copied("x-special/gnome-copied-files", "cut\n" + url("file.txt").toEncoded()),
                   QKeySequence("Ctrl+V"));
         },
         before, 1},
        {[&] {
             QGuiApplication::clipboard()->setText("/coll");
             f.edit->setCursorPosition(2);
             f.Key(Qt::Key_V, Qt::ControlModifier);
         },
         "av/collant", 0},
    };
    for (const Row& row : rows) {
        f.edit->setText(before);
        const int beeps = MessageBeepCount();
        row.act();
        EXPECT_EQ(std::pair(f.edit->text(), MessageBeepCount() - beeps),
                  std::pair(row.text, row.beeps));
        if (row.text != before && row.beeps == 0 && !row.text.startsWith("av/")) {
            EXPECT_EQ(f.edit->selectedText(), row.text);
        }
    }
    // The context menu's paste takes the same road.
    f.edit->setText(before);
    QGuiApplication::clipboard()->setMimeData(copied("text/uri-list", url("folder").toEncoded()));
    OnNextModal<QMenu>(
        [](QMenu* menu) {
            for (QAction* action : menu->actions())
                if (action->text().startsWith(QLineEdit::tr("&Paste")))
                    QTest::mouseClick(menu, Qt::LeftButton, {},
                                      menu->actionGeometry(action).center());
        },
        f.edit);
    RightClick(f.edit, QPoint(10, 5));
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.edit->text() == url("folder").toLocalFile(); }));
}

TEST(ZFolderNameEditTest, TheListClosesOnAClickOutsideOrWhenFocusLeaves) {
    TempDir dir;
    MakeFolders(dir, {"one", "two"});
    FieldWindow f;
    const std::string typed = dir.Path() + "/";
    f.Open(typed);
    ASSERT_TRUE(f.edit->IsListShown()) << "opening it does not close it";
    QTest::mouseClick(f.window.windowHandle(), Qt::LeftButton, {},
                      f.next->mapTo(&f.window, QPoint(5, 5)));
    EXPECT_FALSE(f.edit->IsListShown());

    f.edit->setFocus();
    f.Open(typed);
    ASSERT_TRUE(f.edit->IsListShown());
    f.Key(Qt::Key_Tab);
    EXPECT_EQ(std::tuple(f.edit->IsListShown(), f.next->hasFocus(), f.edit->hasSelectedText(),
                         f.edit->cursorPosition()),
              std::tuple(false, true, false, 0));
    // A folder made meanwhile is offered on coming back.
    MakeFolders(dir, {"three"});
    f.edit->setFocus();
    f.Open(typed);
    EXPECT_EQ(f.Items().size(), 3);
}

TEST(ZFolderNameEditTest, TheButtonAndF4Browse) {
    TempDir dir;
    MakeFolders(dir, {"sub"});
    FieldWindow f;
    const QString sub = QString::fromStdString(dir.File("sub"));
    struct Row {
        std::function<void()> open;
        const char* button;
        QString text;
    };
    const Row rows[] = {
        {[&] { f.Key(Qt::Key_F4); }, "ok", sub},
        {[&] { QTest::mouseClick(f.edit, Qt::LeftButton, {}, f.edit->ButtonRect().center()); },
         "ok", sub},
        {[&] { f.Key(Qt::Key_F4); }, "cancel", sub + "/missing"},
    };
    for (const Row& row : rows) {
        f.edit->setFocus();
        f.edit->setText(sub + "/missing");  // the dialog opens on "sub"
        bool opened = false;
        OnNextModal<QDialog>(
            [&](QDialog* dialog) {
                opened = true;
                QTest::mouseClick(dialog->findChild<QPushButton*>(row.button), Qt::LeftButton);
            },
            f.edit);
        row.open();
        EXPECT_TRUE(opened);
        EXPECT_EQ(f.edit->text(), row.text) << row.button;
        if (row.text == sub) EXPECT_EQ(f.edit->selectedText(), sub);
    }
}
