#pragma once
#include <QDialog>
#include <QList>

class CPropertyPage;
class QHBoxLayout;
class QPushButton;
class QStackedWidget;

// A sheet in wizard mode: one page at a time above the buttons Back, Next (or
// Finish) and Cancel. Unlike QWizard, where a page leads is the page's own
// answer: Back may jump to any page or stay where it is. User-interface
// thread only.
class CPropertySheet : public QDialog {
    Q_OBJECT
public:
    // Button flags of SetWizardButtons.
    static constexpr unsigned PSWIZB_BACK = 1;
    static constexpr unsigned PSWIZB_NEXT = 2;
    static constexpr unsigned PSWIZB_FINISH = 4;
    // Buttons of PressButton.
    static constexpr int PSBTN_BACK = 0;
    static constexpr int PSBTN_NEXT = 1;
    static constexpr int PSBTN_CANCEL = 5;

    CPropertySheet(const QString& caption, QWidget* parent, unsigned startPage);

    // The sheet takes the page (Qt deletes it with the sheet), laid out in
    // dialog units; pages are shown in the order they were added.
    void AddPage(CPropertyPage* page);
    CPropertyPage* GetActivePage() const;
    int GetActiveIndex() const;
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int index) const { return m_pages.value(index); }

    // Which buttons are enabled; Finish shows instead of Next. Applied once
    // the events already queued have run, as a posted message would be.
    void SetWizardButtons(unsigned flags);
    // As if the user clicked the button, at once; a disabled button does nothing.
    void PressButton(int button);
    // PSBTN_BACK, PSBTN_NEXT (also Finish) or PSBTN_CANCEL; null for another.
    QPushButton* GetButton(int button) const;

    // Puts `button` at the left end of the button row, away from the wizard's own.
    void AddLeftButton(QPushButton* button);

    // Cancel asked from outside the window (a signal, the window's loss):
    // open menus close, dialogs over the sheet answer "no", then the sheet's
    // Cancel runs once their event loops have returned. Never asks.
    void CancelFromOutside();

    // Shows the start page and runs the sheet until it closes.
    int DoModal();

protected:
    void setVisible(bool visible) override;
    void showEvent(QShowEvent* event) override;
    // Escape and the close box ask the page whether they may, then act as Cancel.
    void reject() override;

private:
    void ApplyWizardButtons(unsigned flags);
    void OnBack();
    void OnNext();
    void OnCancel();
    // Moves to the page that a Next or Back answer names; -1 stays.
    void Move(int answer, int neighbour);
    bool SetActivePage(int index);
    void FocusFirstTabStop(CPropertyPage* page);

    QList<CPropertyPage*> m_pages;
    QHBoxLayout* m_buttonRow;
    QStackedWidget* m_stack;
    QPushButton* m_back;
    QPushButton* m_next;
    QPushButton* m_cancel;
    bool m_finish = false;
    unsigned m_startPage;
    bool m_started = false;
    bool m_scaled = false;
};
