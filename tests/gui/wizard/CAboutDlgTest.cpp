// The about box on the built program and on a file without a version block,
// and the wizard's ways to it.
#include "gui/wizard/CAboutDlg.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <tuple>

#include "gui/controls/CURLButton.h"
#include "tests/Fields.h"
#include "tests/GuiActions.h"
#include "tests/gui/wizard/WizardDriver.h"

// The built program, and the tests, which carry no block (reading a stripped
// copy is VersionResourceTest's). The system's language, as the version
// tables key it, chooses the block's one French translation whatever it is.
TEST(CAboutDlgTest, ShowsTheVersionBlockOrKeepsThePlaceholders) {
    const std::tuple<const char*, QString, QString, QString> cases[] = {
        {DALVEX_GUI_PATH, "Dalvex2", "© 2026 Quarn. Tous droits réservés.", "2.0 - Build 607"},
        {"/proc/self/exe", "<Produit>", "<Copyright>", "<Version>"},
    };
    for (const auto& [program, product, copyright, version] : cases) {
        CAboutDlg about(nullptr, Chaine::FromUtf8(program));
        const auto label = [&](const char* name) { return about.findChild<QLabel*>(name)->text(); };
        EXPECT_TRUE(Fields()
                        .Is("title", about.windowTitle(), "A propos de Dalvex")
                        .Is("product", label("product"), product)
                        .Is("copyright", label("copyright"), copyright)
                        .Is("version", label("version"), version)
                        .Is("phone", label("phone"), "01 40 27 27 00")
                        .Is("mail", about.findChild<CURLButton*>("mail")->text(),
                            "mailto:sav@quarn.example"));
        for (const char* icon : {"icon", "supportIcon"})
            EXPECT_FALSE(about.findChild<QLabel*>(icon)->pixmap().isNull()) << icon;
    }
    EXPECT_TRUE(Fields()
                    .Is("fr_FR", CAboutDlg::LanguageId(QLocale("fr_FR")), 0x040C)
                    .Is("C", CAboutDlg::LanguageId(QLocale("C")), 0));
}

// The button at the left of the row and the window's context menu both open
// the box; "Fermer" and Escape close it (else the wizard would still wait).
TEST(CAboutDlgTest, TheWizardOpensItFromAButtonAndItsMenu) {
    WizardDriver w;
    QPushButton* button = nullptr;
    for (auto* b : w.Sheet().findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("A propos de Dalvex2...")) button = b;
    ASSERT_NE(button, nullptr);
    EXPECT_LT(button->x(), w.Button(kBack)->x());
    int shown = 0;
    OnNextModal<CAboutDlg>(
        [&shown](CAboutDlg* about) {
            ++shown;
            QTest::mouseClick(about->findChild<QPushButton*>("ok"), Qt::LeftButton);
        },
        &w.Sheet());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(shown, 1);
    OnNextModal<CAboutDlg>(
        [&shown](CAboutDlg* about) {
            ++shown;
            QTest::keyClick(about, Qt::Key_Escape);
        },
        &w.Sheet());
    EXPECT_EQ(PickFromContextMenu(&w.Sheet(), QPoint(5, 5), "&A propos de Dalvex2..."),
              QStringList{"&A propos de Dalvex2..."});
    EXPECT_EQ(shown, 2);
}
