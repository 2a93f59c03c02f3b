#pragma once
#include <QWidget>

class CPropertySheet;

// One page of a wizard sheet, built on a layout named by its template
// identifier. The sheet calls the virtuals below; a page overrides what it
// needs. User-interface thread only.
class CPropertyPage : public QWidget {
    Q_OBJECT
public:
    explicit CPropertyPage(unsigned templateId);

    unsigned GetTemplateId() const { return m_templateId; }
    // The sheet the page was added to; null before.
    CPropertySheet* GetSheet() const;
    bool IsInitialized() const { return m_initialized; }

    // Once, just before the page is first shown.
    virtual bool OnInitDialog() { return true; }
    // Each time the page becomes the active one.
    virtual bool OnSetActive() { return true; }
    // Before another page replaces this one; false keeps this page.
    virtual bool OnKillActive() { return true; }
    // Next and Back: -1 stays, 0 goes to the neighbouring page, a template
    // identifier jumps to the page built on it.
    virtual int OnWizardNext() { return 0; }
    virtual int OnWizardBack() { return 0; }
    // Finish: false keeps the wizard open.
    virtual bool OnWizardFinish() { return true; }
    // Escape and the close box, before they act as Cancel: false leaves
    // the wizard as it is.
    virtual bool OnQueryClose() { return true; }
    // Cancel, Escape and the close box: false keeps the wizard open for now.
    virtual bool OnQueryCancel() { return true; }
    // The wizard closes by Cancel.
    virtual void OnCancel() {}

private:
    friend class CPropertySheet;
    void InitOnce();

    const unsigned m_templateId;
    bool m_initialized = false;
};
