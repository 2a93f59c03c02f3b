#include "app/CDalvex2Sheet.h"

#include "app/CSelectDirPage.h"
#include "app/CTimePage.h"
#include "app/CWelcomePage.h"
#include "report/CErrorPage.h"
#include "report/CNoErrorPage.h"
#include "report/CProgressPage.h"

CDalvex2Sheet::CDalvex2Sheet(QWidget* parent, unsigned startPage)
    : CPropertySheet(QStringLiteral("Dalvex 2"), parent, startPage),
      m_progressPage(new CProgressPage(&m_prefs)) {
    AddPage(new CWelcomePage);
    AddPage(new CSelectDirPage);
    AddPage(new CTimePage);
    AddPage(m_progressPage);
    AddPage(new CNoErrorPage);
    AddPage(new CErrorPage(GetProgressData()));
}

// The pages go first: the progress page ends its run before the settings it
// was started with.
CDalvex2Sheet::~CDalvex2Sheet() { DeletePages(); }

CDalvex2Sheet* CDalvex2Sheet::Of(const CPropertyPage* page) {
    return qobject_cast<CDalvex2Sheet*>(page->GetSheet());
}

CDVXProgressData* CDalvex2Sheet::GetProgressData() { return m_progressPage->GetProgressData(); }
