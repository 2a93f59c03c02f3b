// The folder browser on a small tree of real folders, driven with clicks and keys.
#include "platform/gui/BrowseForFolder.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <functional>

#include "platform/gui/GuiText.h"
#include "tests/GuiActions.h"
#include "tests/TempDir.h"

namespace {

const Chaine kTexts("Choisissez un dossier|Aucun fichier texte ici|Dossier valable");

// alpha, beta (which holds a.txt) and gamma/inner.
struct Folders {
    Folders() {
        for (const char* name : {"alpha", "beta", "gamma", "gamma/inner"}) QDir().mkdir(Path(name));
        WriteFile(dir.File("beta/a.txt"), "a");
    }
    QString Root() const { return QString::fromStdString(dir.Path()); }
    QString Path(const char* name) const { return QString::fromStdString(dir.File(name)); }
    TempDir dir;
};

// The dialog while it shows, with its parts.
struct Shown {
    explicit Shown(QDialog* d)
        : dialog(d),
          tree(d->findChild<QTreeView*>("tree")),
          model(qobject_cast<QFileSystemModel*>(tree->model())) {}
    QString Selected() const { return model->filePath(tree->selectionModel()->currentIndex()); }
    QLabel* Label(const char* name) const { return dialog->findChild<QLabel*>(name); }
    QPushButton* Button(const char* name) const { return dialog->findChild<QPushButton*>(name); }
    // Once every folder from the root down to `folder`'s parent is read, its row is in view.
    bool InView(const QString& folder) const {
        const QString root = model->filePath(tree->rootIndex());
        return QTest::qWaitFor([&] {
            for (QString at = QFileInfo(folder).path();; at = QFileInfo(at).path()) {
                const auto onDisk = QDir(at).entryList(QDir::AllDirs | QDir::NoDotAndDotDot);
                if (model->rowCount(model->index(at)) != onDisk.size()) return false;
                if (at == root) break;
            }
            return tree->viewport()->rect().contains(tree->visualRect(model->index(folder)));
        });
    }
    void Click(const QString& folder) {
        EXPECT_TRUE(InView(folder)) << folder.toStdString();
        const QRect row = tree->visualRect(model->index(folder));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, row.center());
    }
    QDialog* dialog;
    QTreeView* tree;
    QFileSystemModel* model;
};

// Opens the browser on `path`; `act` drives it from inside its modal loop and ends it.
bool Browse(Chaine& path, const Chaine& expected, const QString& root,
            const std::function<void(Shown)>& act) {
    QWidget owner;
    OnNextModal<QDialog>([act](QDialog* d) { act(Shown(d)); }, &owner);
    return BrowseForFolder(path, kTexts, expected, &owner, ToChaine(root));
}

}  // namespace

// It opens on the folder, made absolute against the current directory, or on
// its nearest existing ancestor, under the given root or "/"; Annuler and
// Escape leave the path as it was.
TEST(BrowseForFolderTest, OpensOnTheFolderOrItsNearestAncestor) {
    Folders f;
    const QString saved = QDir::currentPath();
    QDir::setCurrent(f.Path("gamma"));
    const struct {
        QString root, path, opensOn;
    } cases[] = {
        {f.Root(), f.Path("beta"), f.Path("beta")},
        {f.Root(), f.Path("gamma/inner/missing/deeper"), f.Path("gamma/inner")},
        {f.Root(), "inner", f.Path("gamma/inner")},
        {"", f.Path("gamma/inner"), f.Path("gamma/inner")},
    };
    for (const auto& c : cases) {
        Chaine path = ToChaine(c.path);
        const bool chosen = Browse(path, Chaine(), c.root, [&](Shown s) {
            EXPECT_EQ(s.dialog->windowTitle(), "Rechercher un dossier");
            EXPECT_EQ(s.Label("instruction")->text(), "Choisissez un dossier");
            EXPECT_FALSE(s.Label("status")->isVisible());
            EXPECT_EQ(s.model->filePath(s.tree->rootIndex()), c.root.isEmpty() ? "/" : c.root);
            EXPECT_EQ(s.Selected(), c.opensOn);
            EXPECT_TRUE(s.InView(c.opensOn));
            EXPECT_TRUE(s.Button("ok")->isEnabled());
            if (c.root.isEmpty())
                QTest::keyClick(s.dialog, Qt::Key_Escape);
            else
                QTest::mouseClick(s.Button("cancel"), Qt::LeftButton);
        });
        EXPECT_FALSE(chosen) << c.path.toStdString();
        EXPECT_EQ(ToQString(path), c.path);
    }
    QDir::setCurrent(saved);
}

// OK gives the selected folder, and nothing is written to the user's
// configuration on the way.
TEST(BrowseForFolderTest, OkGivesTheSelectedFolderAndWritesNoSettings) {
    Folders f;
    TempDir config;
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.Path()));
    Chaine path = ToChaine(f.Path("alpha"));
    EXPECT_TRUE(Browse(path, Chaine(), f.Root(), [&](Shown s) {
        s.Click(f.Path("gamma"));
        QTest::mouseClick(s.Button("ok"), Qt::LeftButton);
    }));
    EXPECT_EQ(ToQString(path), f.Path("gamma"));
    qputenv("XDG_CONFIG_HOME", savedConfig);
    EXPECT_EQ(Listing(config.Path()), "");
}

// With expected files, each selection says whether the folder holds one, and
// only such a folder can be chosen.
TEST(BrowseForFolderTest, ExpectedFilesDecideOk) {
    Folders f;
    const struct {
        const char* folder;
        bool holds;
    } cases[] = {{"alpha", false}, {"beta", true}, {"gamma", false}, {"beta", true}};
    Chaine path = ToChaine(f.Path("alpha"));
    EXPECT_TRUE(Browse(path, "*.doc|*.TXT", f.Root(), [&](Shown s) {
        EXPECT_TRUE(s.Label("status")->isVisible());
        for (const auto& c : cases) {
            s.Click(f.Path(c.folder));
            EXPECT_EQ(s.Label("status")->text(),
                      c.holds ? "Dossier valable" : "Aucun fichier texte ici")
                << c.folder;
            EXPECT_EQ(s.Button("ok")->isEnabled(), c.holds) << c.folder;
        }
        QTest::mouseClick(s.Button("ok"), Qt::LeftButton);
    }));
    EXPECT_EQ(ToQString(path), f.Path("beta"));
}
