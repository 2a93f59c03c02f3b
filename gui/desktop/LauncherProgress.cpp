#include "gui/desktop/LauncherProgress.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QVariantMap>

void LauncherProgress::Update(std::optional<double> progress, bool urgent) {
    const QString entry = QGuiApplication::desktopFileName();
    const bool changed = progress.has_value() != m_visible || urgent != m_urgent;
    const bool due = progress && (!m_sent.isValid() || m_sent.elapsed() >= kEveryMs);
    if (entry.isEmpty() || (!changed && !due)) return;
    QVariantMap properties{{QStringLiteral("progress-visible"), progress.has_value()},
                           {QStringLiteral("urgent"), urgent}};
    if (progress) properties.insert(QStringLiteral("progress"), *progress);
    // Any object path will do; the launcher goes by the entry it names.
    QDBusMessage update = QDBusMessage::createSignal(
        QStringLiteral("/com/canonical/unity/launcherentry/") + entry,
        QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    update << QStringLiteral("application://%1.desktop").arg(entry) << properties;
    QDBusConnection::sessionBus().send(update);
    m_sent.start();
    m_visible = progress.has_value();
    m_urgent = urgent;
}
