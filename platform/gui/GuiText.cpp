#include "platform/gui/GuiText.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

#include "platform/Encoding.h"

QString ToQString(const Chaine& text) {
    return QString::fromStdString(platform::Encoding::AnsiToUtf8(text.View()));
}

Chaine ToChaine(const QString& text) {
    return Chaine(platform::Encoding::Utf8ToAnsi(text.toStdString()));
}

Chaine FromWindowText(const QWidget* window) {
    if (!window) return Chaine();
    if (const auto* edit = qobject_cast<const QLineEdit*>(window)) return ToChaine(edit->text());
    if (const auto* label = qobject_cast<const QLabel*>(window)) return ToChaine(label->text());
    if (const auto* button = qobject_cast<const QAbstractButton*>(window)) {
        return ToChaine(button->text());
    }
    return ToChaine(window->windowTitle());
}
