#include "gui/wizard/CDalvex2Sheet.h"

#include <QAction>
#include <QPushButton>

#include "gui/toolkit/GuiText.h"
#include "gui/wizard/CAboutDlg.h"
#include "gui/wizard/CErrorPage.h"
#include "gui/wizard/CNoErrorPage.h"
#include "gui/wizard/CProgressPage.h"
#include "gui/wizard/CSelectDirPage.h"
#include "gui/wizard/CTimePage.h"
#include "gui/wizard/CWelcomePage.h"
#include "platform/ResourceIds.h"

CDalvex2Sheet::CDalvex2Sheet(QWidget* parent, unsigned startPage, const CDVXPrefs& prefs)
    : CPropertySheet(QStringLiteral("Dalvex 2"), parent, startPage) {
    m_session.prefs = prefs;
    AddPage(new CWelcomePage);
    AddPage(new CSelectDirPage(m_session));
    AddPage(new CTimePage(m_session));
    AddPage(new CProgressPage(m_session, m_record));
    AddPage(new CNoErrorPage(m_session));
    AddPage(new CErrorPage(m_session, m_record));
    AddAboutEntry();
}

// The session goes first, the pages with the sheet's base: a run still going
// is ended, its threads joined, while its page is still there. The pages keep
// a reference to the session until then, and use it no more.
CDalvex2Sheet::~CDalvex2Sheet() = default;

// A desktop gives no window menu to extend: the entry goes into the window's
// context menu and onto a button. The button's text has no mnemonic, since
// Alt+A already belongs to the directory page's "&Avancé".
void CDalvex2Sheet::AddAboutEntry() {
    const QString text = ToQString(Chaine(Chaine::ResourceId(res::kAboutEntry)));
    if (text.isEmpty()) return;
    auto* action = new QAction(text, this);
    connect(action, &QAction::triggered, this, &CDalvex2Sheet::ShowAbout);
    addAction(action);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* button = new QPushButton(QString(text).remove(QLatin1Char('&')), this);
    button->setObjectName(QStringLiteral("about"));
    SetAccessibleTexts(button, SpokenName(text), ResourceQString(res::kAboutDescription));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, &CDalvex2Sheet::ShowAbout);
    AddLeftButton(button);
}

void CDalvex2Sheet::ShowAbout() {
    CAboutDlg about(this);
    about.exec();
}
