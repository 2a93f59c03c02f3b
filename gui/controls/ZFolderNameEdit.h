#pragma once
#include <QClipboard>
#include <QUrl>
#include <functional>
#include <string>
#include <vector>

#include "gui/controls/ZButtonEdit.h"

// The edit of a folder path: its button browses the folders, a folder dragged
// or pasted from the file manager replaces the text, the text is checked to
// name an existing folder (holding an expected file, when some are given) and
// folder names are completed from the file system. The file system is asked on
// threads of their own (AskAside.h), so a folder on a hung network mount never
// freezes the window: typing waits for nothing, a drop or a paste for
// kAnswerLimitMs at most. A check that gets no answer in time shows code 4 (the
// folder does not answer), and a listing that gets none offers nothing. A text
// with a character the program's text cannot carry is refused with that reason,
// and a reason check, when given, tells what else is wrong with a text.
class ZFolderNameEdit : public ZButtonEdit {
    Q_OBJECT
public:
    // What is wrong with a text, in the user's words (Windows-1252), or nothing
    // for a text that may name the folder. Called on a thread of its own.
    using ReasonCheck = std::function<std::string(const Chaine& text)>;

    explicit ZFolderNameEdit(QWidget* parent = nullptr);

    // `texts`: the browse dialog's instruction (also the button's tooltip),
    // then its two status texts, `|`-separated; a second piece, even empty,
    // becomes the message of code 2. `expectedFiles`: `|`-separated patterns
    // of which the folder must hold one. `rootFolder`: the top of the browse
    // dialog's tree ("/" when empty).
    void SetBrowseTexts(const Chaine& texts, const Chaine& expectedFiles, const Chaine& rootFolder);
    // A folder that does not exist is valid (code 0) with `acceptMissing`;
    // with `onlyWithParent` too, only when its parent exists (else code 2).
    void SetAcceptMissing(bool acceptMissing, bool onlyWithParent);
    // Asked before the rules above: a reason refuses the text with code 1,
    // the reason as its message.
    void SetReasonCheck(ReasonCheck check);

    int Validate(const Chaine& text) override;
    void FillCompletionList(const Chaine& text) override;

    // Takes the first of dropped or pasted URLs: a local folder replaces the
    // text, all of it selected, and so does a local name that the program's
    // text cannot carry, to be refused with its reason; anything else, or a
    // folder that does not answer in time, beeps and changes nothing.
    void TakeUrls(const QList<QUrl>& urls);
    // Ctrl+V, Shift+Insert, the menu's paste and the middle click (the
    // selection): a copied file list acts as a drop, any other text is pasted
    // without the blanks and line breaks around it, as is dropped text.
    void Paste(QClipboard::Mode mode = QClipboard::Clipboard);

protected:
    void OnButtonClicked() override;
    void OnAttach() override;

    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Lists `folder` aside for the completions of `text`, offered once the
    // names come if the text is still the same.
    void ListAside(const Chaine& folder, const Chaine& text);

    // The subfolders of the folder listed last, kept while the user types
    // there; forgotten when focus leaves the field.
    struct FolderCache {
        Chaine folder;
        bool filled = false;
        std::vector<Chaine> names;
    };

    Chaine browseTexts;
    Chaine expectedFiles;
    Chaine rootFolder;
    bool acceptMissing = false;
    bool onlyWithParent = false;
    ReasonCheck reasonCheck;
    FolderCache cache;
    // The questions asked so far: only the last one's answer is taken.
    unsigned checks = 0;
    unsigned listings = 0;
};
