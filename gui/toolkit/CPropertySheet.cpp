#include "gui/toolkit/CPropertySheet.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "gui/toolkit/CPropertyPage.h"
#include "gui/toolkit/DialogUnits.h"
#include "gui/toolkit/GuiText.h"
#include "platform/ResourceIds.h"

CPropertySheet::CPropertySheet(const QString& caption, QWidget* parent, unsigned startPage)
    : QDialog(parent),
      m_stack(new QStackedWidget(this)),
      m_back(new QPushButton(ResourceQString(res::kBackButton), this)),
      m_next(new QPushButton(ResourceQString(res::kNextButton), this)),
      m_cancel(new QPushButton(ResourceQString(res::kCancelButton), this)),
      m_startPage(startPage) {
    setWindowTitle(caption);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    m_buttonRow = new QHBoxLayout;
    m_buttonRow->addStretch();
    m_buttonRow->addWidget(m_back);
    m_buttonRow->addWidget(m_next);
    m_buttonRow->addSpacing(8);
    m_buttonRow->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_stack);
    layout->addWidget(line);
    layout->addLayout(m_buttonRow);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Said without the arrows drawn around Back's and Next's texts.
    for (const auto& [button, description] : {std::pair{m_back, res::kBackDescription},
                                              {m_next, res::kNextDescription},
                                              {m_cancel, res::kCancelDescription}}) {
        SetAccessibleTexts(button, SpokenName(button->text()), ResourceQString(description));
    }
    m_next->setDefault(true);
    m_back->setEnabled(false);
    m_next->setEnabled(false);
    connect(m_back, &QPushButton::clicked, this, &CPropertySheet::OnBack);
    connect(m_next, &QPushButton::clicked, this, &CPropertySheet::OnNext);
    connect(m_cancel, &QPushButton::clicked, this, &CPropertySheet::OnCancel);
}

void CPropertySheet::AddPage(CPropertyPage* page) {
    m_pages.append(page);
    m_stack->addWidget(page);
}

CPropertyPage* CPropertySheet::GetActivePage() const {
    return m_started ? qobject_cast<CPropertyPage*>(m_stack->currentWidget()) : nullptr;
}

int CPropertySheet::GetActiveIndex() const { return m_pages.indexOf(GetActivePage()); }

void CPropertySheet::SetWizardButtons(unsigned flags) {
    QTimer::singleShot(0, this, [this, flags] { ApplyWizardButtons(flags); });
}

void CPropertySheet::ApplyWizardButtons(unsigned flags) {
    m_finish = (flags & PSWIZB_FINISH) != 0;
    m_back->setEnabled((flags & PSWIZB_BACK) != 0);
    m_next->setText(ResourceQString(m_finish ? res::kFinishButton : res::kNextButton));
    SetAccessibleTexts(m_next, SpokenName(m_next->text()),
                       ResourceQString(m_finish ? res::kFinishDescription : res::kNextDescription));
    m_next->setEnabled(m_finish || (flags & PSWIZB_NEXT) != 0);
    m_next->setDefault(true);
}

void CPropertySheet::AddLeftButton(QPushButton* button) { m_buttonRow->insertWidget(0, button); }

QPushButton* CPropertySheet::GetButton(int button) const {
    switch (button) {
        case PSBTN_BACK: return m_back;
        case PSBTN_NEXT: return m_next;
        case PSBTN_CANCEL: return m_cancel;
        default: return nullptr;
    }
}

void CPropertySheet::PressButton(int button) {
    if (QPushButton* target = GetButton(button)) target->click();
}

int CPropertySheet::DoModal() { return exec(); }

void CPropertySheet::showEvent(QShowEvent* event) {
    if (!m_started && !m_pages.isEmpty()) {
        m_started = true;
        const int start =
            static_cast<int>(m_startPage) < m_pages.size() ? static_cast<int>(m_startPage) : 0;
        SetActivePage(start);
    }
    QDialog::showEvent(event);
}

void CPropertySheet::setVisible(bool visible) {
    // Before the first layout: one scale for all pages, so that they are all
    // the same size.
    if (visible && !m_scaled) {
        m_scaled = true;
        DialogUnits::Scale(QList<QWidget*>(m_pages.begin(), m_pages.end()));
    }
    QDialog::setVisible(visible);
}

void CPropertySheet::reject() {
    CPropertyPage* page = GetActivePage();
    if (page && !page->OnQueryClose()) return;
    PressButton(PSBTN_CANCEL);
}

void CPropertySheet::CancelFromOutside() {
    QWidget* last = nullptr;
    while (QWidget* popup = QApplication::activePopupWidget()) {
        if (popup == last) break;
        popup->close();
        last = popup;
    }
    while (QWidget* modal = QApplication::activeModalWidget()) {
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (modal == this || modal == last || !dialog) break;
        dialog->reject();
        last = modal;
    }
    QMetaObject::invokeMethod(
        this, [this] { PressButton(PSBTN_CANCEL); }, Qt::QueuedConnection);
}

void CPropertySheet::OnBack() {
    CPropertyPage* page = GetActivePage();
    if (page) Move(page->OnWizardBack(), GetActiveIndex() - 1);
}

void CPropertySheet::OnNext() {
    CPropertyPage* page = GetActivePage();
    if (!page) return;
    if (m_finish) {
        if (page->OnWizardFinish() && page->OnKillActive()) done(QDialog::Accepted);
        return;
    }
    Move(page->OnWizardNext(), GetActiveIndex() + 1);
}

void CPropertySheet::OnCancel() {
    CPropertyPage* page = GetActivePage();
    if (page && !page->OnQueryCancel()) return;
    for (CPropertyPage* p : m_pages) {
        if (p->IsInitialized()) p->OnCancel();
    }
    done(QDialog::Rejected);
}

void CPropertySheet::Move(int answer, int neighbour) {
    if (answer == -1) return;
    int target = neighbour;
    if (answer != 0) {
        target = -1;
        for (int i = 0; i < m_pages.size(); ++i) {
            if (static_cast<int>(m_pages[i]->GetTemplateId()) == answer) target = i;
        }
    }
    if (target < 0 || target >= m_pages.size()) return;
    if (!GetActivePage()->OnKillActive()) return;
    SetActivePage(target);
}

bool CPropertySheet::SetActivePage(int index) {
    CPropertyPage* page = m_pages.value(index);
    if (!page) return false;
    page->InitOnce();
    m_stack->setCurrentWidget(page);
    // No button of the last page may act on this one before its own are set.
    ApplyWizardButtons(0);
    page->OnSetActive();
    FocusFirstTabStop(page);
    return true;
}

void CPropertySheet::FocusFirstTabStop(CPropertyPage* page) {
    for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
        if (!page->isAncestorOf(w)) break;
        if (!(w->focusPolicy() & Qt::TabFocus) || !w->isEnabled() || !w->isVisibleTo(page))
            continue;
        // In a group of radio buttons the focus goes to the chosen one.
        if (auto* radio = qobject_cast<QRadioButton*>(w); radio && !radio->isChecked()) {
            for (QRadioButton* other :
                 radio->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly)) {
                if (other->isChecked() && other->autoExclusive()) w = other;
            }
        }
        w->setFocus(Qt::TabFocusReason);
        return;
    }
    m_next->setFocus(Qt::TabFocusReason);
}
