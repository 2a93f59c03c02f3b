#include "tests/gui/wizard/WizardDriver.h"

#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <algorithm>

#include <xcb/xcb.h>

#include "engine/RunSnapshot.h"
#include "tests/GuiActions.h"

static CDVXPrefs Prefs(const std::string& directory, const CDVXTimings& timings) {
    CDVXPrefs prefs;
    prefs.SetDirectory(Chaine::FromUtf8(directory));
    prefs.timings = timings;
    return prefs;
}

WizardDriver::WizardDriver(Page page, const std::string& directory, const CDVXTimings& timings)
    : m_sheet(std::make_unique<CDalvex2Sheet>(nullptr, page, Prefs(directory, timings))) {
    m_sheet->show();
    if (!WaitForPage(page)) ADD_FAILURE() << "page " << page << " is not shown whole";
}

QPushButton* WizardDriver::Button(int button) const { return m_sheet->GetButton(button); }

void WizardDriver::Click(int button) { QTest::mouseClick(Button(button), Qt::LeftButton); }

void WizardDriver::Key(int key, Qt::KeyboardModifiers modifiers) {
    // Where the window system would send it: an open popup gets it first.
    QWidget* target = QApplication::activePopupWidget();
    if (!target) target = QApplication::focusWidget();
    QTest::keyClick(target ? target : m_sheet.get(), static_cast<Qt::Key>(key), modifiers);
}

bool WizardDriver::WaitForPage(Page page, int timeoutMs) {
    const bool reached = QTest::qWaitFor([&] { return ActivePage() == page; }, timeoutMs);
    QTest::qWait(20);  // the buttons a page sets are applied once queued events have run
    // A page is shown whole: at the size its layout was made for.
    const QWidget* shown = m_sheet->GetActivePage();
    return reached && shown->size() == shown->minimumSize() && !shown->size().isEmpty();
}

bool WizardDriver::WaitForClose(int timeoutMs) {
    return QTest::qWaitFor([&] { return !m_sheet->isVisible(); }, timeoutMs);
}

QString WizardDriver::Status() const { return Find<QLabel>(kProgress, "status")->text(); }

void WizardDriver::DestroyWindow() {
    xcb_destroy_notify_event_t destroyed{};
    destroyed.response_type = XCB_DESTROY_NOTIFY;
    destroyed.window = static_cast<xcb_window_t>(m_sheet->internalWinId());
    QAbstractEventDispatcher::instance()->filterNativeEvent("xcb_generic_event_t", &destroyed,
                                                            nullptr);
}

void WizardDriver::AnswerNextQuestion(QMessageBox::StandardButton answer) {
    m_questionShown = false;
    m_question = {};
    OnNextModal<QMessageBox>(
        [this, answer](QMessageBox* box) {
            m_questionShown = true;
            m_question = {box->windowTitle(), box->icon(), box->text()};
            if (answer == QMessageBox::NoButton) {
                QTest::keyClick(box, Qt::Key_Escape);
            } else {
                QTest::mouseClick(box->button(answer), Qt::LeftButton);
            }
        },
        m_sheet.get());
}

bool WizardDriver::AnyRunning() {
    const RunSnapshot run = m_sheet->Snapshot();
    return std::ranges::any_of(
        run.tests, [](const TestSnapshot& t) { return t.state == TestSnapshot::kRunning; });
}
