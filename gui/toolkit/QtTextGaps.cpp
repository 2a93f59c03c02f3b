#include "gui/toolkit/QtTextGaps.h"

#include <string_view>

#include "gui/toolkit/GuiText.h"
#include "platform/ResourceIds.h"

QString QtTextGaps::translate(const char* context, const char* sourceText, const char*, int) const {
    if (!context || !sourceText || std::string_view(context) != "QAbstractFileIconProvider")
        return QString();
    const std::pair<std::string_view, unsigned> words[] = {
        {"Drive", res::kQtDrive},
        {"Folder", res::kQtFolder},
        {"Shortcut", res::kQtShortcut},
        {"Unknown", res::kQtUnknown},
    };
    for (const auto& [source, id] : words) {
        if (source == sourceText) return ResourceQString(id);
    }
    return QString();
}
