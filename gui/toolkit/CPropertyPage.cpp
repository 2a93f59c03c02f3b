#include "gui/toolkit/CPropertyPage.h"

#include "gui/toolkit/CPropertySheet.h"

CPropertyPage::CPropertyPage(unsigned templateId) : m_templateId(templateId) {}

CPropertySheet* CPropertyPage::GetSheet() const {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* sheet = qobject_cast<CPropertySheet*>(w)) return sheet;
    }
    return nullptr;
}

void CPropertyPage::InitOnce() {
    if (m_initialized) return;
    m_initialized = true;
    OnInitDialog();
}
