#pragma once
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>

class QWidget;

// Tells the person who went to do something else that a run is over: a
// desktop notification through the portal, else through the notification
// service (org.freedesktop.Notifications); clicking it raises and
// activates the window. Nothing is sent while the window is the active one.
// The call blocks the user-interface thread for kCallTimeoutMs at most, for
// each service. User-interface thread only.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    static constexpr int kCallTimeoutMs = 500;

    // `showLabel` names the click that raises the window, where the
    // notification service shows one.
    explicit DesktopNotifier(const QString& showLabel, QObject* parent = nullptr);

    // `title` and `body` on one line each, for `window`; false when not
    // sent: the window is active, or no service answered. A click raises
    // the window of the last one sent, if it is still there.
    bool Notify(QWidget* window, const QString& title, const QString& body);

private slots:
    void OnPortalAction(const QString& id, const QString& action, const QVariantList& parameter);
    void OnServiceAction(uint id, const QString& action);

private:
    bool NotifyThroughPortal(const QString& title, const QString& body);
    bool NotifyThroughService(const QString& title, const QString& body);
    void Raise();

    QPointer<QWidget> m_window;
    QString m_showLabel;
    uint m_serviceId = 0;  // the notification service's number for ours
};
