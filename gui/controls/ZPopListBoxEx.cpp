#include "gui/controls/ZPopListBoxEx.h"

#include "gui/toolkit/GuiText.h"

ZPopListBoxEx::ZPopListBoxEx(QWidget* parent)
    : QListWidget(parent), candidates(std::make_unique<FDictionnary>()) {
    setUniformItemSizes(true);  // lays out thousands of rows at once
    setSelectionMode(QAbstractItemView::SingleSelection);
}

ZPopListBoxEx::~ZPopListBoxEx() = default;

void ZPopListBoxEx::SetIgnoreCase(bool ignoreCase) {
    if (ignoreCase) {
        candidates = std::make_unique<FDictionnaryNoCase>();
    } else {
        candidates = std::make_unique<FDictionnary>();
    }
}

void ZPopListBoxEx::ResetContent() {
    clear();
    candidates->RemoveAll();
}

void ZPopListBoxEx::AddString(const Chaine& text) { candidates->Add(text); }

void ZPopListBoxEx::EndFill() {
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(candidates->GetCount()));
    for (const Chaine& text : *candidates) texts.append(ToQString(text));
    addItems(texts);
    setCurrentRow(-1);
}
