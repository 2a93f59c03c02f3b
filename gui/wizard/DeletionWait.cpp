#include "gui/wizard/DeletionWait.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include "engine/CDVXThreadManager.h"
#include "gui/toolkit/GuiText.h"
#include "platform/ResourceIds.h"

namespace {

constexpr int kPollMs = 100;

bool Deleting() { return CDVXThreadManager::PollAbandoned() == CDVXThreadManager::kAbandonedBusy; }

}  // namespace

void ShowWhileFilesAreDeleted() {
    if (!Deleting()) return;
    QProgressDialog window(ResourceQString(res::kDeletingFilesText), QString(), 0, 0);
    window.setWindowTitle(ResourceQString(res::kCaption));
    // Nothing to choose: closing it would only hide what still goes on.
    window.setWindowFlags(window.windowFlags() & ~Qt::WindowCloseButtonHint);
    window.setMinimumDuration(0);
    window.show();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&loop] {
        if (!Deleting()) loop.quit();
    });
    poll.start(kPollMs);
    loop.exec();
}
