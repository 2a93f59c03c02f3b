#pragma once
#include <QFuture>
#include <memory>
#include <optional>

#include "engine/DirectoryCheck.h"
#include "gui/toolkit/CPropertyPage.h"
#include "support/FileSystem.h"

struct TestSession;

namespace Ui {
class CSelectDirPage;
}

// The server directory to test, with the advanced options behind a button.
// On Next the directory is checked as the run will use it, and a directory
// that cannot hold the run is refused with the reason, which the field's
// tooltip gives too while the user types; a directory whose file system does
// not answer within the run's stall limit is refused with a warning. A usable
// one is stored as typed, after a question when it is not on a network file
// system, or when its client keeps the writes in a local cache. User-interface
// thread only.
class CSelectDirPage : public CPropertyPage {
    Q_OBJECT
public:
    // `session` outlives the page.
    explicit CSelectDirPage(TestSession& session);
    ~CSelectDirPage() override;

    bool OnInitDialog() override;
    bool OnSetActive() override;
    int OnWizardNext() override;

private:
    // What Next learns of the directory in one question aside.
    struct Answer {
        DirectoryCheck::Result check;
        ShareClient client;  // asked only of a usable directory
    };

    // An emptied field gets the default data folder back, selected, so that
    // the next key typed replaces it.
    void Refill();
    void OnAdvanced();
    // Awaits `answer` as every question to the file system is awaited, then
    // up to the run's stall limit with only Cancel left to the user; none
    // when it came too late or the wizard was cancelled meanwhile.
    std::optional<Answer> Await(const QFuture<Answer>& answer);

    std::unique_ptr<Ui::CSelectDirPage> ui;
    TestSession& m_session;
};
