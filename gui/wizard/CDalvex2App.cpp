#include "gui/wizard/CDalvex2App.h"

#include <QLibraryInfo>

#include "gui/toolkit/CancelOnSignal.h"
#include "gui/toolkit/CancelOnWindowLoss.h"
#include "gui/toolkit/ResourceImage.h"
#include "gui/wizard/CDalvex2Sheet.h"
#include "gui/wizard/DeletionWait.h"
#include "platform/ResourceIds.h"

CDalvex2App::CDalvex2App(int& argc, char** argv) : QApplication(argc, argv) {
    // Qt's own texts (context menus of the fields, message box buttons, the
    // file dialog) in French; without the translation they stay in English.
    // The words Qt's catalogue lacks come from ours, asked after it.
    installTranslator(&m_qtTextGaps);
    if (m_qtTranslator.load(QStringLiteral("qtbase_fr"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        installTranslator(&m_qtTranslator);
    }
    setDesktopFileName(QStringLiteral("dalvex2"));
    // Every window of the program, the sheet and its dialogs, shows it.
    setWindowIcon(QIcon(LoadResourceImage(res::kIcon)));
}

int CDalvex2App::Run() {
    CDalvex2Sheet sheet;
    CancelOnSignal cancelOnSignal(&sheet);
    CancelOnWindowLoss cancelOnWindowLoss(&sheet);
    sheet.DoModal();
    ShowWhileFilesAreDeleted();
    return cancelOnWindowLoss.Lost() ? 1 : 0;
}
