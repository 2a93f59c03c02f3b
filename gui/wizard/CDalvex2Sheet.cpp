#include "gui/wizard/CDalvex2Sheet.h"

#include <QAction>
#include <QPushButton>

#include "gui/wizard/CAboutDlg.h"
#include "gui/wizard/CSelectDirPage.h"
#include "gui/wizard/CTimePage.h"
#include "gui/wizard/CWelcomePage.h"
#include "gui/toolkit/GuiText.h"
#include "gui/wizard/CErrorPage.h"
#include "gui/wizard/CNoErrorPage.h"
#include "gui/wizard/CProgressPage.h"

CDalvex2Sheet::CDalvex2Sheet(QWidget* parent, unsigned startPage)
    : CPropertySheet(QStringLiteral("Dalvex 2"), parent, startPage),
      m_progressPage(new CProgressPage(&m_prefs)) {
    AddPage(new CWelcomePage);
    AddPage(new CSelectDirPage);
    AddPage(new CTimePage);
    AddPage(m_progressPage);
    AddPage(new CNoErrorPage);
    AddPage(new CErrorPage(GetProgressData()));
    AddAboutEntry();
}

// A desktop gives no window menu to extend: the entry goes into the window's
// context menu and onto a button. The button's text has no mnemonic, since
// Alt+A already belongs to the directory page's "&Avancé".
void CDalvex2Sheet::AddAboutEntry() {
    const QString text = ToQString(Chaine(Chaine::ResourceId(kAboutId)));
    if (text.isEmpty()) return;
    auto* action = new QAction(text, this);
    connect(action, &QAction::triggered, this, &CDalvex2Sheet::ShowAbout);
    addAction(action);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* button = new QPushButton(QString(text).remove(QLatin1Char('&')), this);
    button->setObjectName(QStringLiteral("about"));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, &CDalvex2Sheet::ShowAbout);
    AddLeftButton(button);
}

void CDalvex2Sheet::ShowAbout() {
    CAboutDlg about(this);
    about.exec();
}

// The pages go first: the progress page ends its run before the settings it
// was started with.
CDalvex2Sheet::~CDalvex2Sheet() { DeletePages(); }

CDalvex2Sheet* CDalvex2Sheet::Of(const CPropertyPage* page) {
    return qobject_cast<CDalvex2Sheet*>(page->GetSheet());
}

CDVXProgressData* CDalvex2Sheet::GetProgressData() { return m_progressPage->GetProgressData(); }
