#include "gui/desktop/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDeadlineTimer>
#include <QStringList>
#include <QThread>
#include <QWidget>

namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kPortalNotification = QStringLiteral("org.freedesktop.portal.Notification");
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kServicePath = QStringLiteral("/org/freedesktop/Notifications");
// The portal's name for our one notification, which a new one replaces.
const QString kNoticeId = QStringLiteral("run-over");
const QString kShowAction = QStringLiteral("show");

bool Answered(const QDBusMessage& reply) { return reply.type() == QDBusMessage::ReplyMessage; }

}  // namespace

DesktopNotifier::DesktopNotifier(const QString& showLabel, QObject* parent)
    : QObject(parent), m_showLabel(showLabel) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(kPortal, kPortalPath, kPortalNotification, QStringLiteral("ActionInvoked"), this,
                SLOT(OnPortalAction(QString, QString, QVariantList)));
    bus.connect(kService, kServicePath, kService, QStringLiteral("ActionInvoked"), this,
                SLOT(OnServiceAction(uint, QString)));
}

bool DesktopNotifier::Notify(QWidget* window, const QString& title, const QString& body) {
    if (window->isActiveWindow()) return false;
    m_window = window;
    return NotifyThroughPortal(title, body) || NotifyThroughService(title, body);
}

bool DesktopNotifier::NotifyThroughPortal(const QString& title, const QString& body) {
    QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kPortalNotification,
                                                       QStringLiteral("AddNotification"));
    call << kNoticeId
         << QVariantMap{{QStringLiteral("title"), title},
                        {QStringLiteral("body"), body},
                        {QStringLiteral("default-action"), kShowAction}};
    // Asked with the bus's own long timeout and waited for kCallTimeoutMs (the
    // bus's thread takes the answer): a portal that answers later may show
    // it yet, on top of the service's, and is asked to withdraw it once it
    // has answered. Asked before, the withdrawal could overtake the adding
    // inside the portal.
    const QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(call);
    const QDeadlineTimer deadline(kCallTimeoutMs);
    while (!pending.isFinished() && !deadline.hasExpired()) QThread::msleep(5);
    if (pending.isFinished()) return !pending.isError();
    auto* late = new QDBusPendingCallWatcher(pending, this);
    connect(late, &QDBusPendingCallWatcher::finished, this, [](QDBusPendingCallWatcher* call) {
        if (!call->isError()) {
            QDBusMessage withdraw = QDBusMessage::createMethodCall(
                kPortal, kPortalPath, kPortalNotification, QStringLiteral("RemoveNotification"));
            QDBusConnection::sessionBus().send(withdraw << kNoticeId);
        }
        call->deleteLater();
    });
    return false;
}

bool DesktopNotifier::NotifyThroughService(const QString& title, const QString& body) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kServicePath, kService, QStringLiteral("Notify"));
    call << title << m_serviceId << QStringLiteral("dalvex2") << title << body
         << QStringList{QStringLiteral("default"), m_showLabel}
         << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("dalvex2")}} << -1;
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(call, QDBus::Block, kCallTimeoutMs);
    if (!Answered(reply) || reply.arguments().size() != 1) return false;
    m_serviceId = reply.arguments().front().toUInt();
    return true;
}

void DesktopNotifier::OnPortalAction(const QString& id, const QString& action,
                                     const QVariantList&) {
    if (id == kNoticeId && action == kShowAction) Raise();
}

void DesktopNotifier::OnServiceAction(uint id, const QString& action) {
    if (id == m_serviceId && action == QLatin1String("default")) Raise();
}

void DesktopNotifier::Raise() {
    if (!m_window) return;
    m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
