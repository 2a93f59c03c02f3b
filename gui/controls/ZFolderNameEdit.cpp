#include "gui/controls/ZFolderNameEdit.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>

#include "gui/toolkit/AskAside.h"
#include "gui/toolkit/BrowseForFolder.h"
#include "gui/toolkit/GuiText.h"
#include "gui/toolkit/MessageBox.h"
#include "platform/ResourceIds.h"
#include "support/CaseFolding.h"
#include "support/FileIterator.h"
#include "support/FileSystem.h"
#include "support/PathText.h"
#include "support/TextList.h"

namespace {

// What file managers put on the clipboard for copied files: the operation
// ("copy" or "cut") on the first line, then one URL a line.
const QString kCopiedFilesMime = QStringLiteral("x-special/gnome-copied-files");

QList<QUrl> CopiedFiles(const QMimeData& data) {
    if (data.hasUrls()) return data.urls();
    QList<QUrl> urls;
    const QStringList lines = QString::fromUtf8(data.data(kCopiedFilesMime)).split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (!lines[i].trimmed().isEmpty()) urls.append(QUrl(lines[i].trimmed()));
    }
    return urls;
}

bool HoldsFiles(const QMimeData* data) {
    return data && (data->hasUrls() || data->hasFormat(kCopiedFilesMime));
}

// The code of a text and the reason it is refused, handed over by the thread
// that checked it.
struct Answer {
    int code;
    std::string reason;
};

// The code of a folder's text under the field's rules, from the file system.
int FolderCode(const Chaine& text, const Chaine& expectedFiles, bool acceptMissing,
               bool onlyWithParent) {
    if (!DirectoryExists(text)) {
        if (!acceptMissing) return ZButtonEdit::kForbidden;
        if (!onlyWithParent) return ZButtonEdit::kValid;
        return DirectoryExists(PathText::GetDirectory(text)) ? ZButtonEdit::kValid
                                                             : ZButtonEdit::kNotValid;
    }
    if (expectedFiles.IsEmpty()) return ZButtonEdit::kValid;
    return FolderHoldsExpectedFile(text, expectedFiles) ? ZButtonEdit::kValid
                                                        : ZButtonEdit::kNotValid;
}

// The names of the subfolders, as plain strings: the thread that lists them
// hands them over, and a Chaine's count is not atomic.
std::vector<std::string> SubfolderNames(const Chaine& folder) {
    std::vector<std::string> names;
    FileIterator entries;
    entries.SetSearch(folder);
    entries.SetFlags(FileIterator::kReportDirectories);
    for (bool more = entries.First(); more; more = entries.Next()) {
        if (entries.IsDirectory()) names.emplace_back(entries.GetName().View());
    }
    return names;
}

}  // namespace

ZFolderNameEdit::ZFolderNameEdit(QWidget* parent) : ZButtonEdit(parent) {
    // The browse texts' defaults start with an empty piece, which would leave
    // the button without a tooltip: set apart, each goes where it means
    // something. Code 1 keeps the control's own text.
    browseTexts = Chaine(Chaine::ResourceId(res::kBrowseFolders));
    SetMessage(kValid, browseTexts);
    SetMessage(kNotValid, Chaine(Chaine::ResourceId(res::kFolderLacksFiles)));
    SetMessage(kNoAnswer, Chaine(Chaine::ResourceId(res::kFolderNoAnswer)));
}

void ZFolderNameEdit::SetBrowseTexts(const Chaine& texts, const Chaine& expected,
                                     const Chaine& root) {
    const std::vector<Chaine> pieces = SplitText(texts);
    SetMessage(kValid, pieces[0]);
    if (texts.GetLength() > 2) SetMessage(kNotValid, pieces.size() > 1 ? pieces[1] : Chaine());
    browseTexts = texts;
    expectedFiles = expected;
    rootFolder = root;
}

void ZFolderNameEdit::SetAcceptMissing(bool accept, bool withParent) {
    acceptMissing = accept;
    onlyWithParent = withParent;
}

void ZFolderNameEdit::OnAttach() {
    setAcceptDrops(true);
    ZButtonEdit::OnAttach();
}

void ZFolderNameEdit::SetReasonCheck(ReasonCheck check) { reasonCheck = std::move(check); }

int ZFolderNameEdit::Validate(const Chaine& text) {
    if (text.IsEmpty()) return kValid;
    const unsigned check = ++checks;
    // A character that the program's text cannot carry reads as '?': the
    // folder meant could not be tested.
    const std::string refusal(UncarriedRefusal(this->text()).View());
    OnAnswer(
        AskAside([text = text.PrivateCopy(), expected = expectedFiles.PrivateCopy(),
                  accept = acceptMissing, withParent = onlyWithParent, why = reasonCheck, refusal] {
            const std::string reason = refusal.empty() && why ? why(text) : refusal;
            return Answer{
                reason.empty() ? FolderCode(text, expected, accept, withParent) : kForbidden,
                reason};
        }),
        this, [this, check](std::optional<Answer> answer) {
            if (check != checks) return;
            if (!answer) return CheckAnswered(kNoAnswer);
            CheckAnswered(answer->code, Chaine(std::string_view(answer->reason)));
        });
    return kPending;
}

void ZFolderNameEdit::FillCompletionList(const Chaine& text) {
    if (text.IsEmpty()) return;
    // The folder is the text up to its last separator, as typed, so that a
    // candidate is that text and a name: "/tm" lists "/" and offers "/tmp",
    // "C:\Wi" lists "C:\" and offers "C:\Windows". A root typed without its
    // separator ("\\server\share") gets one.
    // The name being typed follows the last separator, or the colon of a
    // bare drive ("C:Wi"): a colon is an ordinary character in names here.
    const std::string_view typed = text.View();
    std::size_t split = typed.find_last_of("\\/");
    if (split == std::string_view::npos && typed.size() >= 2 && typed[1] == ':') split = 1;
    Chaine prefix(split == std::string_view::npos ? typed : typed.substr(split + 1));
    Chaine folder(text.View().substr(0, text.GetLength() - prefix.GetLength()));
    if (IsRootPath(text)) {
        prefix.Empty();
        folder = text;
        if (!PathText::IsSeparator(text[text.GetLength() - 1])) folder += '/';
    }
    // Names are case sensitive here: a folder typed in another case is
    // another folder, listed afresh.
    if (!cache.filled || !(cache.folder == folder)) return ListAside(folder, text);
    // Hidden folders only for a name that starts like one.
    const bool hidden = prefix.GetLength() > 0 && prefix[0] == '.';
    const bool ignoreCase = HasFlag(kIgnoreCase);
    for (const Chaine& name : cache.names) {
        if (name[0] == '.' && !hidden) continue;
        // A name with a character of no place in the program's text (read as
        // '?') could not be tested: not offered.
        if (PathText::HasInvalidNameChar(name)) continue;
        if (CaseFolding::StartsWith(name.View(), prefix.View(), ignoreCase)) {
            AddCompletion(folder + name);
        }
    }
}

void ZFolderNameEdit::ListAside(const Chaine& folder, const Chaine& text) {
    const unsigned listing = ++listings;
    OnAnswer(AskAside([folder = folder.PrivateCopy()] { return SubfolderNames(folder); }), this,
             [this, listing, folder, text](std::optional<std::vector<std::string>> names) {
                 if (listing != listings || !names) return;
                 cache.names.clear();
                 for (const std::string& name : *names) cache.names.emplace_back(name);
                 cache.folder = folder;
                 cache.filled = true;
                 if (GetText() == text) RefillList();
             });
}

void ZFolderNameEdit::focusOutEvent(QFocusEvent* e) {
    // The user may come back from making the folder the list lacked; a
    // listing still under way is forgotten too.
    if (e->reason() != Qt::PopupFocusReason) {
        cache.filled = false;
        ++listings;
    }
    ZButtonEdit::focusOutEvent(e);
}

void ZFolderNameEdit::OnButtonClicked() {
    Chaine folder = GetText();
    if (!BrowseForFolder(folder, browseTexts, expectedFiles, parentWidget(), rootFolder)) return;
    SetText(folder);
    selectAll();
}

void ZFolderNameEdit::TakeUrls(const QList<QUrl>& urls) {
    // No length limit: a cut path would name another folder.
    const QUrl url = urls.isEmpty() ? QUrl() : urls.first();
    const QString local = url.isLocalFile() ? url.toLocalFile() : QString();
    const Chaine folder = ToChaine(local);
    // A name that the program's text cannot carry goes in as it is, for the
    // check to say why it is refused.
    if (ToQString(folder) != local) {
        setText(local);
        selectAll();
        return;
    }
    if (!AnswerInTime([folder = folder.PrivateCopy()] { return DirectoryExists(folder); }, false)) {
        MessageBox::Beep();
        return;
    }
    SetText(folder);
    selectAll();
}

void ZFolderNameEdit::Paste(QClipboard::Mode mode) {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(mode);
    const QList<QUrl> urls = HoldsFiles(data) ? CopiedFiles(*data) : QList<QUrl>();
    // A copied web link comes with its text, which pastes as usual.
    if (urls.isEmpty() || (!urls.first().isLocalFile() && data->hasText())) {
        // A path copied from a terminal comes with its line break.
        insert(QGuiApplication::clipboard()->text(mode).trimmed());
    } else {
        TakeUrls(urls);
    }
}

void ZFolderNameEdit::keyPressEvent(QKeyEvent* e) {
    if (e->matches(QKeySequence::Paste)) {
        Paste();
        return;
    }
    ZButtonEdit::keyPressEvent(e);
}

void ZFolderNameEdit::mouseReleaseEvent(QMouseEvent* e) {
    // The middle click pastes the selection where the press put the cursor.
    if (e->button() == Qt::MiddleButton && !isReadOnly() &&
        QGuiApplication::clipboard()->supportsSelection()) {
        deselect();
        Paste(QClipboard::Selection);
        return;
    }
    ZButtonEdit::mouseReleaseEvent(e);
}

void ZFolderNameEdit::contextMenuEvent(QContextMenuEvent* e) {
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // The menu's own paste goes around Paste(): its place takes ours.
    // Found by its text, translated as the menu's is: older Qt names no action.
    const QString pasteText = QLineEdit::tr("&Paste");
    for (QAction* action : menu->actions()) {
        if (action->text().section(QLatin1Char('\t'), 0, 0) != pasteText) continue;
        disconnect(action, &QAction::triggered, nullptr, nullptr);
        connect(action, &QAction::triggered, this, [this] { Paste(); });
        action->setEnabled(!isReadOnly() && (HoldsFiles(QGuiApplication::clipboard()->mimeData()) ||
                                             !QGuiApplication::clipboard()->text().isEmpty()));
    }
    menu->popup(e->globalPos());
}

// The field only reads the path: a drop is a copy, never a move that would
// let the file manager remove the folder.
void ZFolderNameEdit::dragEnterEvent(QDragEnterEvent* e) {
    if (!e->mimeData()->hasUrls()) return ZButtonEdit::dragEnterEvent(e);
    e->setDropAction(Qt::CopyAction);
    e->accept();
}

void ZFolderNameEdit::dragMoveEvent(QDragMoveEvent* e) {
    if (!e->mimeData()->hasUrls()) return ZButtonEdit::dragMoveEvent(e);
    e->setDropAction(Qt::CopyAction);
    e->accept();
}

void ZFolderNameEdit::dropEvent(QDropEvent* e) {
    if (!e->mimeData()->hasUrls()) {
        // Dropped text loses the blanks around it, as pasted text does.
        QMimeData trimmed;
        trimmed.setText(e->mimeData()->text().trimmed());
        QDropEvent drop(e->position(), e->possibleActions(), &trimmed, e->buttons(),
                        e->modifiers());
        ZButtonEdit::dropEvent(&drop);
        e->setDropAction(drop.dropAction());
        e->setAccepted(drop.isAccepted());
        return;
    }
    e->setDropAction(Qt::CopyAction);
    e->accept();
    TakeUrls(e->mimeData()->urls());
}
