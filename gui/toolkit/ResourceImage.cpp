#include "gui/toolkit/ResourceImage.h"

#include <QLabel>
#include <string_view>

#include "platform/Resources.h"

QPixmap LoadResourceImage(unsigned id) {
    std::string_view bytes;
    QPixmap pixmap;
    if (platform::Resources::FindDocument(id, "PNG", &bytes)) {
        pixmap.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                            static_cast<uint>(bytes.size()), "PNG");
    }
    return pixmap;
}

void ShowResourceImage(QLabel* label, unsigned id, bool stretch) {
    label->setScaledContents(stretch);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setPixmap(LoadResourceImage(id));
}
