// Walks the wizard through a real run on Qt's offscreen platform and saves a
// picture of each page and dialog:
//   dalvex2-screenshots [--dark] OUTPUT_DIR TEST_DIR
// TEST_DIR is where the run writes (a tmpfs is quickest); a missing directory
// under it gives the error page. --dark draws them as a desktop in a dark
// colour scheme shows them. Without a window manager there is no title
// bar on the pictures.
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "gui/toolkit/CPropertyPage.h"
#include "gui/toolkit/DarkScheme.h"
#include "gui/toolkit/GuiText.h"
#include "gui/wizard/CDalvex2App.h"
#include "gui/wizard/CDalvex2Sheet.h"
#include "platform/ResourceIds.h"

namespace {

QString g_output;

bool Save(const QPixmap& picture, const char* name) {
    const QString path = QDir(g_output).filePath(QString::fromLatin1(name) + ".png");
    const bool saved = picture.save(path);
    std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "saved" : "could not save",
                 qPrintable(path));
    return saved;
}

bool WaitForPage(CDalvex2Sheet& sheet, int index, int timeoutMs = 120000) {
    const bool reached =
        QTest::qWaitFor([&] { return sheet.GetActiveIndex() == index; }, timeoutMs);
    QTest::qWait(100);  // the page's buttons are set once queued events have run
    return reached;
}

// Answers the next modal box once it shows: saves the screen where the sheet
// is, with the box over it (unless `name` is null), then presses the button
// that `answer` names.
void AnswerModal(const QWidget& sheet, const char* name, QMessageBox::StandardButton answer) {
    QTimer::singleShot(300, [&sheet, name, answer] {
        const QRect area = sheet.frameGeometry();
        if (name) {
            Save(QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(),
                                                              area.height()),
                 name);
        }
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            box->button(answer)->click();
        }
    });
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    CDalvex2App app(argc, argv);
    const bool dark = argc == 4 && QByteArrayView(argv[1]) == "--dark";
    if (argc != 3 && !dark) {
        std::fprintf(stderr, "usage: %s [--dark] OUTPUT_DIR TEST_DIR\n", argv[0]);
        return 2;
    }
    if (dark) UseDarkScheme();
    g_output = QString::fromLocal8Bit(argv[argc - 2]);
    const QString testDir = QString::fromLocal8Bit(argv[argc - 1]);
    QDir().mkpath(g_output);

    CDalvex2Sheet sheet;
    sheet.show();
    sheet.move(0, 0);  // the offscreen screen is small: keep the message box on it
    QPushButton* next = sheet.GetButton(CPropertySheet::PSBTN_NEXT);
    QPushButton* back = sheet.GetButton(CPropertySheet::PSBTN_BACK);
    bool ok = WaitForPage(sheet, 0) && Save(sheet.grab(), "1-welcome");

    next->click();
    auto* path = sheet.GetPage(1)->findChild<QLineEdit*>(QStringLiteral("path"));
    ok = ok && WaitForPage(sheet, 1) && Save(sheet.grab(), "2-directory");
    QTimer::singleShot(300, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        Save(dialog->grab(), "3-advanced");
        // Five sets on the least space: the line of what the run really writes.
        dialog->findChild<QLineEdit*>(QStringLiteral("diskSpace"))->setText(QStringLiteral("10"));
        dialog->findChild<QLineEdit*>(QStringLiteral("simultaneous"))->setText(QStringLiteral("5"));
        Save(dialog->grab(), "3b-advanced-sets");
        qobject_cast<QDialog*>(dialog)->reject();
    });
    sheet.GetPage(1)->findChild<QPushButton*>(QStringLiteral("advanced"))->click();

    // The folder field: completions of a name typed half-way, then the
    // browse dialog (F4).
    sheet.activateWindow();
    path->setFocus();
    const QString folder = QDir(testDir).absolutePath();
    path->setText(folder.left(folder.size() - 2));
    QTest::qWait(800);
    const QRect area = sheet.frameGeometry();
    ok = ok && Save(QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(),
                                                                 area.width(), area.height()),
                    "2b-completion");
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QTimer::singleShot(800, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        Save(dialog->grab(), "2c-browse");
        qobject_cast<QDialog*>(dialog)->reject();
    });
    QTest::keyClick(path, Qt::Key_F4);

    // A folder that is not there is refused with its reason.
    path->setText(QDir(testDir).filePath(QStringLiteral("absent/dossier")));
    AnswerModal(sheet, "4b-refused", QMessageBox::Ok);
    next->click();
    path->setText(testDir);
    AnswerModal(sheet, "4-question", QMessageBox::Yes);
    next->click();
    ok = ok && WaitForPage(sheet, 2) && Save(sheet.grab(), "5-duration");

    next->click();
    ok = ok && WaitForPage(sheet, 3);
    QTest::qWait(6500);
    ok = ok && Save(sheet.grab(), "6-progress");
    next->click();
    ok = ok && WaitForPage(sheet, 4) && Save(sheet.grab(), "7-no-error");

    // A directory gone before the run starts makes every test fail at once.
    back->click();
    ok = ok && WaitForPage(sheet, 2);
    back->click();
    ok = ok && WaitForPage(sheet, 1);
    const QString gone = QDir(testDir).filePath(QStringLiteral("gone"));
    QDir().mkpath(gone);
    path->setText(gone);
    AnswerModal(sheet, nullptr, QMessageBox::Yes);
    next->click();
    ok = ok && WaitForPage(sheet, 2);
    QDir().rmdir(gone);
    next->click();
    ok = ok && WaitForPage(sheet, 5) && Save(sheet.grab(), "8-error");
    // The reports of the failed tests, and the dialog that saves one, opened
    // from the report's menu.
    QTimer::singleShot(300, [] {
        auto* details = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        Save(details->grab(), "9-details");
        QTimer::singleShot(300, [details] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            for (QAction* action : menu->actions()) {
                if (action->text() == ResourceQString(res::kSaveReportMenu))
                    menu->setActiveAction(action);
            }
            QTimer::singleShot(800, [details] {
                auto* files = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                Save(files->grab(), "9b-save");
                files->reject();
                details->reject();
            });
            QTest::keyClick(menu, Qt::Key_Return);
        });
        emit details->findChild<QWidget*>(QStringLiteral("view"))
            ->customContextMenuRequested(QPoint(20, 20));
    });
    sheet.findChild<QPushButton*>(QStringLiteral("details"))->click();
    // Then the about box.
    QTimer::singleShot(300, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        Save(dialog->grab(), "10-about");
        qobject_cast<QDialog*>(dialog)->reject();
    });
    sheet.findChild<QPushButton*>(QStringLiteral("about"))->click();
    sheet.GetButton(CPropertySheet::PSBTN_CANCEL)->click();
    return ok ? 0 : 1;
}
