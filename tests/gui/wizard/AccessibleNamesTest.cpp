// What a screen reader gets from the wizard: every control that Tab can reach,
// on every page and in every dialog, has a name and a description.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "tests/GuiActions.h"
#include "tests/TempDir.h"
#include "tests/gui/wizard/WizardDriver.h"

namespace {

using W = WizardDriver;

// The shown controls of `window` that take focus and lack a name, as the
// accessibility interface gives it, or a description. A tab bar's interface
// speaks for its current tab and has no description to give: the widget's
// own counts.
QStringList Unnamed(QWidget* window) {
    QStringList unnamed;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (widget->focusPolicy() == Qt::NoFocus || !widget->isVisible()) continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        // The sheet's own buttons have no object name: their text tells them apart.
        const auto* button = qobject_cast<QAbstractButton*>(widget);
        const QString id = QStringLiteral("%1 %2").arg(
            QString::fromLatin1(widget->metaObject()->className()),
            widget->objectName().isEmpty() && button ? button->text() : widget->objectName());
        if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << id + " (name)";
        if (widget->accessibleDescription().isEmpty() &&
            (!accessible || accessible->text(QAccessible::Description).isEmpty()))
            unnamed << id + " (description)";
    }
    return unnamed;
}

// The unnamed controls of the dialog that `open` shows, closed once looked at.
QStringList UnnamedInDialog(W& w, const std::function<void()>& open) {
    QStringList unnamed{QStringLiteral("no dialog")};
    OnNextModal<QDialog>(
        [&unnamed](QDialog* dialog) {
            unnamed = Unnamed(dialog);
            dialog->reject();
        },
        &w.Sheet());
    open();
    return unnamed;
}

void Click(W& w, W::Page page, const char* button) {
    QTest::mouseClick(w.Find<QPushButton>(page, button), Qt::LeftButton);
}

}  // namespace

TEST(AccessibleNamesTest, EveryFocusableControlHasANameAndADescription) {
    TempDir dir("/dev/shm");
    const std::string missing = dir.File("missing");  // a run that fails at once
    // Each window: the page the wizard opens on, its directory, and how to
    // reach the window from there.
    const std::tuple<const char*, W::Page, std::string, std::function<QStringList(W&)>> windows[] =
        {
            {"welcome", W::kWelcome, "", {}},
            {"directory", W::kDirectory, "", {}},
            {"advanced", W::kDirectory, "",
             [](W& w) {
                 return UnnamedInDialog(w, [&w] { Click(w, W::kDirectory, "advanced"); });
             }},
            {"browse", W::kDirectory, "",
             [](W& w) {
                 return UnnamedInDialog(w, [&w] {
                     QTest::keyClick(w.Find<QWidget>(W::kDirectory, "path"), Qt::Key_F4);
                 });
             }},
            {"duration", W::kDuration, "", {}},
            {"progress", W::kDuration, dir.Path(),
             [](W& w) {
                 w.Click(kNext);
                 EXPECT_TRUE(w.WaitForPage(W::kProgress));
                 return Unnamed(&w.Sheet());
             }},
            {"no error", W::kNoError, "", {}},
            {"error, details", W::kDuration, missing,
             [](W& w) {
                 w.Click(kNext);
                 EXPECT_TRUE(w.WaitForPage(W::kError, 30000));
                 return Unnamed(&w.Sheet()) +
                        UnnamedInDialog(w, [&w] { Click(w, W::kError, "details"); });
             }},
            {"about", W::kWelcome, "",
             [](W& w) {
                 return UnnamedInDialog(w, [&w] {
                     QTest::mouseClick(w.Sheet().findChild<QPushButton*>("about"), Qt::LeftButton);
                 });
             }},
        };
    for (const auto& [name, page, directory, reach] : windows) {
        SCOPED_TRACE(name);
        W w(page, directory);
        EXPECT_EQ(reach ? reach(w) : Unnamed(&w.Sheet()), QStringList());
    }
}
