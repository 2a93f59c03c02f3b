// The about box on the built program and on a file without a version block,
// and the wizard's ways to it.
#include "gui/wizard/CAboutDlg.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <cstdlib>
#include <string>

#include "gui/controls/CURLButton.h"
#include "tests/GuiActions.h"
#include "tests/TempDir.h"
#include "tests/gui/wizard/WizardDriver.h"

namespace {

QString Label(const QDialog& dialog, const char* name) {
    return dialog.findChild<QLabel*>(QString::fromLatin1(name))->text();
}

}  // namespace

// The built program, as installed (stripped) too, and the tests, which carry no block.
TEST(CAboutDlgTest, ShowsTheVersionBlockOrKeepsThePlaceholders) {
    TempDir dir;
    const std::string stripped = dir.File("dalvex2");
    const std::string strip = "/usr/bin/strip -o '" + stripped + "' '" DALVEX_GUI_PATH "'";
    ASSERT_EQ(std::system(strip.c_str()), 0);
    const struct {
        std::string program;
        const char *product, *copyright, *version;
    } cases[] = {
        {DALVEX_GUI_PATH, "Dalvex2", "© 2026 Quarn. Tous droits réservés.", "2.0 - Build 607"},
        {stripped, "Dalvex2", "© 2026 Quarn. Tous droits réservés.", "2.0 - Build 607"},
        {"/proc/self/exe", "<Produit>", "<Copyright>", "<Version>"},
    };
    for (const auto& c : cases) {
        CAboutDlg about(nullptr, Chaine::FromUtf8(c.program));
        EXPECT_EQ(about.windowTitle(), QStringLiteral("A propos de Dalvex"));
        EXPECT_EQ(Label(about, "product"), QString::fromUtf8(c.product));
        EXPECT_EQ(Label(about, "copyright"), QString::fromUtf8(c.copyright));
        EXPECT_EQ(Label(about, "version"), QString::fromUtf8(c.version));
        EXPECT_EQ(Label(about, "phone"), QStringLiteral("01 40 27 27 00"));
        for (const char* icon : {"icon", "supportIcon"})
            EXPECT_FALSE(about.findChild<QLabel*>(icon)->pixmap().isNull()) << icon;
        EXPECT_EQ(about.findChild<CURLButton*>("mail")->text(),
                  QStringLiteral("mailto:sav@quarn.example"));
    }
}

// The system's language as the version tables key it; the one French
// translation of the block is then chosen whatever it is.
TEST(CAboutDlgTest, TheSystemLanguageAsALanguageId) {
    for (const auto& [locale, id] : {std::pair{"fr_FR", 0x040C}, {"de_DE", 0x0407}, {"C", 0}})
        EXPECT_EQ(CAboutDlg::LanguageId(QLocale(locale)), id) << locale;
}

// The button at the left of the row and the window's context menu both open
// the box; "Fermer" and Escape close it.
TEST(CAboutDlgTest, TheWizardOpensItFromAButtonAndItsMenu) {
    WizardDriver w;
    QPushButton* button = nullptr;
    for (auto* b : w.Sheet().findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("A propos de Dalvex2...")) button = b;
    ASSERT_NE(button, nullptr);
    EXPECT_LT(button->x(), w.Button(CPropertySheet::PSBTN_BACK)->x());
    int shown = 0;
    OnNextModal<CAboutDlg>(
        [&shown](CAboutDlg* about) {
            ++shown;
            QTest::mouseClick(about->findChild<QPushButton*>("ok"), Qt::LeftButton);
        },
        &w.Sheet());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(shown, 1);
    QWidget* sheet = &w.Sheet();
    OnNextModal<QMenu>(
        [&shown, sheet](QMenu* menu) {
            ASSERT_EQ(menu->actions().size(), 1);
            EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("&A propos de Dalvex2..."));
            OnNextModal<CAboutDlg>(
                [&shown](CAboutDlg* about) {
                    ++shown;
                    QTest::keyClick(about, Qt::Key_Escape);
                },
                sheet);
            QTest::mouseClick(menu, Qt::LeftButton, {},
                              menu->actionGeometry(menu->actions()[0]).center());
        },
        sheet);
    RightClick(&w.Sheet(), QPoint(5, 5));
    EXPECT_EQ(shown, 2);
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<CAboutDlg*>(window) && window->isVisible());
}
