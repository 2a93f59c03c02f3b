#include "gui/toolkit/SetRichEditRtf.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>

#include "gui/toolkit/GuiText.h"
#include "support/RtfReader.h"

namespace {

QTextCharFormat RunFormat(const RtfRun& run) {
    QTextCharFormat format;
    format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(run.italic);
    format.setFontPointSize(run.halfPoints / 2.0);
    format.setForeground(QColor::fromRgb(run.color));
    if (!run.font.IsEmpty()) format.setFontFamilies({ToQString(run.font)});
    return format;
}

void Fill(QTextDocument* document, const std::vector<RtfParagraph>& paragraphs) {
    QTextCursor cursor(document);
    QTextList* list = nullptr;  // the list that the bullets in a row share
    bool first = true;
    for (const RtfParagraph& paragraph : paragraphs) {
        // A fresh block format, so that a paragraph after a list item is not one.
        if (!first) cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        first = false;
        if (!paragraph.bullet) {
            list = nullptr;
        } else if (list) {
            list->add(cursor.block());
        } else {
            list = cursor.createList(QTextListFormat::ListDisc);
        }
        for (const RtfRun& run : paragraph.runs)
            cursor.insertText(ToQString(run.text), RunFormat(run));
    }
}

}  // namespace

void SetRichEditRtf(QTextEdit* edit, const Chaine& rtf) {
    edit->setUpdatesEnabled(false);
    // The documents give their own colours, dark ones for a white page, and
    // the bullets take the view's text colour: the page stays white and its
    // text black in a dark scheme too.
    QPalette page = edit->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        page.setColor(group, QPalette::Base, Qt::white);
        page.setColor(group, QPalette::Text, Qt::black);
    }
    edit->setPalette(page);
    edit->document()->clear();
    if (!rtf.IsEmpty()) Fill(edit->document(), RtfReader::Parse(rtf.View()));
    edit->moveCursor(QTextCursor::Start);  // a document is read from its top
    edit->setUpdatesEnabled(true);
}
