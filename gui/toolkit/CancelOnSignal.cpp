#include "gui/toolkit/CancelOnSignal.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

#include "gui/toolkit/CPropertySheet.h"

namespace {

const int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kSignalCount = 3;
// The third signal ends the program by the signal's own default action: the
// way out when the threads hang on a dead mount and never stop.
constexpr int kSignalsBeforeDefault = 3;

// Made once and never closed: a handler running on another thread may still
// be writing to it.
int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_count = 0;

void OnSignalHandler(int signal) {
    const int saved = errno;
    g_count = g_count + 1;
    if (g_count >= kSignalsBeforeDefault) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(g_pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

CancelOnSignal::CancelOnSignal(CPropertySheet* sheet) : QObject(sheet), m_sheet(sheet) {
    if (g_pipe[0] < 0 && pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    g_count = 0;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CancelOnSignal::OnSignal);
    struct sigaction action {};
    action.sa_handler = OnSignalHandler;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < kSignalCount; ++i) {
        // A signal the program was started with ignored (nohup) stays ignored.
        sigaction(kSignals[i], nullptr, &m_previous[i]);
        if (m_previous[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &action, nullptr);
    }
}

CancelOnSignal::~CancelOnSignal() {
    if (!m_notifier) return;
    for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &m_previous[i], nullptr);
}

void CancelOnSignal::OnSignal() {
    char bytes[16];
    while (read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
    // An open menu closes, a question or a dialog over the sheet answers "no";
    // the sheet's own Cancel runs once their event loops have returned.
    QWidget* last = nullptr;
    while (QWidget* popup = QApplication::activePopupWidget()) {
        if (popup == last) break;
        popup->close();
        last = popup;
    }
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
