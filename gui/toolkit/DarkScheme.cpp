#include "gui/toolkit/DarkScheme.h"

#include <QApplication>
#include <QStyleFactory>

void UseDarkScheme() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(DarkPalette());
}

QPalette DarkPalette() {
    QPalette dark;
    const QColor text(0xfc, 0xfc, 0xfc);
    const QColor disabledText(0x6e, 0x71, 0x75);
    const std::pair<QPalette::ColorRole, QColor> roles[] = {
        {QPalette::Window, QColor(0x2a, 0x2e, 0x32)},
        {QPalette::WindowText, text},
        {QPalette::Base, QColor(0x1b, 0x1e, 0x20)},
        {QPalette::AlternateBase, QColor(0x23, 0x26, 0x29)},
        {QPalette::ToolTipBase, QColor(0x31, 0x36, 0x3b)},
        {QPalette::ToolTipText, text},
        {QPalette::PlaceholderText, disabledText},
        {QPalette::Text, text},
        {QPalette::Button, QColor(0x31, 0x36, 0x3b)},
        {QPalette::ButtonText, text},
        {QPalette::BrightText, QColor(0xff, 0xff, 0xff)},
        {QPalette::Light, QColor(0x40, 0x46, 0x4c)},
        {QPalette::Midlight, QColor(0x36, 0x3b, 0x40)},
        {QPalette::Mid, QColor(0x5a, 0x61, 0x68)},
        {QPalette::Dark, QColor(0x1a, 0x1d, 0x20)},
        {QPalette::Shadow, QColor(0x0c, 0x0d, 0x0e)},
        {QPalette::Highlight, QColor(0x3d, 0xae, 0xe9)},
        {QPalette::HighlightedText, text},
        {QPalette::Link, QColor(0x1d, 0x99, 0xf3)},
        {QPalette::LinkVisited, QColor(0x9b, 0x59, 0xb6)},
    };
    for (const auto& [role, color] : roles) dark.setColor(role, color);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(QPalette::Disabled, role, disabledText);
    return dark;
}
