#pragma once
#include <QMessageBox>
#include <QString>
#include <memory>
#include <string>
#include <tuple>

#include "gui/toolkit/CPropertyPage.h"
#include "gui/wizard/CDalvex2Sheet.h"
#include "tests/GuiActions.h"

class QPushButton;

inline constexpr int kBack = CPropertySheet::PSBTN_BACK;
inline constexpr int kNext = CPropertySheet::PSBTN_NEXT;
inline constexpr int kCancel = CPropertySheet::PSBTN_CANCEL;

// Drives a wizard as a user would, with mouse clicks and key presses on the
// real widgets, and waits on the event loop for what the wizard does.
class WizardDriver {
public:
    enum Page { kWelcome, kDirectory, kDuration, kProgress, kNoError, kError };

    // A shown sheet, on `page`; the run's directory, when given, is stored as
    // the directory page would have stored it, and the run waits as `timings` say.
    explicit WizardDriver(Page page = kWelcome, const std::string& directory = "",
                          const CDVXTimings& timings = {});

    CDalvex2Sheet& Sheet() { return *m_sheet; }
    QPushButton* Button(int button) const;
    void Click(int button);
    void Key(int key, Qt::KeyboardModifiers modifiers = {});
    // Waits until `page` is active, whole, and its buttons are set.
    bool WaitForPage(Page page, int timeoutMs = 60000);
    bool WaitForClose(int timeoutMs = 60000);
    // Tells the sheet that the window system destroyed its window.
    void DestroyWindow();
    int ActivePage() const { return m_sheet->GetActiveIndex(); }

    template <typename T>
    T* Find(Page page, const char* name) const {
        return m_sheet->GetPage(page)->findChild<T*>(QString::fromLatin1(name));
    }
    // The text of the progress page's status line.
    QString Status() const;
    // True while some test of the run still runs.
    bool AnyRunning();

    // Answers the next message box once it shows: a click on `answer`, or the
    // Escape key for NoButton. Keeps its caption, icon and text.
    void AnswerNextQuestion(QMessageBox::StandardButton answer);
    bool QuestionShown() const { return m_questionShown; }
    // Caption, icon and text of the question since the last answer given; empty before it shows.
    std::tuple<QString, QMessageBox::Icon, QString> Question() const { return m_question; }

private:
    std::unique_ptr<CDalvex2Sheet> m_sheet;
    bool m_questionShown = false;
    std::tuple<QString, QMessageBox::Icon, QString> m_question;
};
