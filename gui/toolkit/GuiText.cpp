#include "gui/toolkit/GuiText.h"

#include <QLineEdit>
#include <algorithm>

#include "platform/Encoding.h"
#include "platform/ResourceIds.h"

QString ToQString(const Chaine& text) {
    return QString::fromStdString(platform::Encoding::AnsiToUtf8(text.View()));
}

Chaine ToChaine(const QString& text) {
    return Chaine(platform::Encoding::Utf8ToAnsi(text.toStdString()));
}

Chaine UncarriedRefusal(const QString& text) {
    uint32_t position = 0;
    for (const char32_t c : text.toUcs4()) {
        ++position;
        const QString one = QString::fromUcs4(&c, 1);
        if (ToQString(ToChaine(one)) == one) continue;
        Chaine refusal;
        return refusal.Format(Chaine(Chaine::ResourceId(res::kPathNotCarried)).c_str(), position,
                              static_cast<unsigned>(c));
    }
    return Chaine();
}

Chaine FromWindowText(const QWidget* window) {
    if (!window) return Chaine();
    if (const auto* edit = qobject_cast<const QLineEdit*>(window)) return ToChaine(edit->text());
    return ToChaine(window->windowTitle());
}

uint32_t FromWindowNumber(const QWidget* window) {
    return static_cast<uint32_t>(std::max(FromWindowText(window).ToInteger(), 0));
}

QString ResourceQString(unsigned id) { return ToQString(Chaine(Chaine::ResourceId(id))); }

QString SpokenName(const QString& text) {
    QString name = QString(text).remove(QLatin1Char('&'));
    if (name.startsWith(QLatin1Char('<'))) name.remove(0, 1);
    if (name.endsWith(QLatin1Char('>'))) name.chop(1);
    while (name.endsWith(QLatin1Char('.'))) name.chop(1);
    return name.trimmed();
}

void SetAccessibleTexts(QWidget* widget, const QString& name, const QString& description) {
    widget->setAccessibleName(name);
    widget->setAccessibleDescription(description);
}
