#include "gui/desktop/DesktopInhibitor.h"

#include <QDBusConnection>
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
    QDBusMessage call = QDBusMessage::createMethodCall(
        kPortal, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
    call << WindowHandle(window) << kSuspendAndIdle
         << QVariantMap{{QStringLiteral("reason"), reason}};
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1) {
        m_request = qvariant_cast<QDBusObjectPath>(reply.arguments().front()).path();
    }
    if (m_request.isEmpty()) m_logind.Take("Dalvex 2", reason.toUtf8().constData());
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
