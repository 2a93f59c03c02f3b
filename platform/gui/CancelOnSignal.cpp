#include "platform/gui/CancelOnSignal.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <csignal>
#include <initializer_list>

#include "platform/gui/CPropertySheet.h"

namespace {

// The handler only writes a byte: everything else happens on the event loop.
int g_pipe[2] = {-1, -1};

void OnSignalHandler(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(g_pipe[1], &byte, 1);
    errno = saved;
}

const int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

}  // namespace

CancelOnSignal::CancelOnSignal(CPropertySheet* sheet) : QObject(sheet), m_sheet(sheet) {
    if (g_pipe[0] >= 0 || pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CancelOnSignal::OnSignal);
    struct sigaction action {};
    action.sa_handler = OnSignalHandler;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int s : kSignals) {
        struct sigaction current {};
        if (sigaction(s, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
        sigaction(s, &action, nullptr);
    }
}

CancelOnSignal::~CancelOnSignal() {
    if (!m_notifier) return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int s : kSignals) {
        struct sigaction current {};
        if (sigaction(s, nullptr, &current) == 0 && current.sa_handler == OnSignalHandler) {
            sigaction(s, &action, nullptr);
        }
    }
    close(g_pipe[0]);
    close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void CancelOnSignal::OnSignal() {
    char bytes[16];
    while (read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
    // A question or a dialog over the sheet answers "no" first; the sheet's own
    // Cancel runs once their event loops have returned.
    QWidget* last = nullptr;
    while (QWidget* modal = QApplication::activeModalWidget()) {
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (modal == m_sheet || modal == last || !dialog) break;
        dialog->reject();
        last = modal;
    }
    QMetaObject::invokeMethod(
        m_sheet, [sheet = m_sheet] { sheet->PressButton(CPropertySheet::PSBTN_CANCEL); },
        Qt::QueuedConnection);
}
