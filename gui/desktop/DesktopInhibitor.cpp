#include "gui/desktop/DesktopInhibitor.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QGuiApplication>
#include <QWidget>

namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
// The portal's flags: suspend and idle.
constexpr uint kSuspendAndIdle = 4 | 8;

// How the portal knows the window the request is for: on X11 its id; it
// asks for nothing else elsewhere.
QString WindowHandle(const QWidget* window) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return QString();
    return QStringLiteral("x11:") + QString::number(window->winId(), 16);
}

}  // namespace

bool DesktopInhibitor::Take(const QWidget* window, const QString& reason) {
    if (Held()) return true;
    // The request's path is known before the answer: one that comes too late
    // is closed all the same, with the lock it made.
    static int requests = 0;
    const QString token = QStringLiteral("dalvex2_%1").arg(++requests);
    QDBusMessage call = QDBusMessage::createMethodCall(
        kPortal, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
    call << WindowHandle(window) << kSuspendAndIdle
         << QVariantMap{{QStringLiteral("reason"), reason},
                        {QStringLiteral("handle_token"), token}};
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    const bool late = reply.errorName() == QDBusError::errorString(QDBusError::NoReply);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        m_request = qvariant_cast<QDBusObjectPath>(reply.arguments().value(0)).path();
    } else if (late) {
        // A portal that is there but slow: its lock may still come, and
        // logind's holds meanwhile.
        m_request = QStringLiteral("/org/freedesktop/portal/desktop/request/") +
                    bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_')) +
                    QLatin1Char('/') + token;
    }
    if (m_request.isEmpty() || late) m_logind.Take("Dalvex 2", reason.toUtf8().constData());
    return Held();
}

void DesktopInhibitor::Release() {
    if (!m_request.isEmpty()) {
        // Sent without waiting for the answer: the portal drops the request
        // of a program that goes away meanwhile all the same.
        QDBusConnection::sessionBus().send(QDBusMessage::createMethodCall(
            kPortal, m_request, QStringLiteral("org.freedesktop.portal.Request"),
            QStringLiteral("Close")));
        m_request.clear();
    }
    m_logind.Release();
}
