#include "gui/controls/ZButtonEdit.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolTip>
#include <utility>

#include "gui/controls/ZAutoCompletionPopUp.h"
#include "gui/controls/ZPopListBoxEx.h"
#include "gui/toolkit/Contrast.h"
#include "gui/toolkit/GuiText.h"
#include "gui/toolkit/ResourceImage.h"
#include "platform/ResourceIds.h"
#include "support/TextList.h"

ZButtonEdit::ZButtonEdit(QWidget* parent) : QLineEdit(parent) {
    // The table's text starts with its own separator.
    const std::vector<Chaine> texts =
        SplitText(Chaine(Chaine::ResourceId(res::kButtonEditMessages)));
    for (std::size_t i = 1; i < texts.size() && i <= messages.size(); ++i) {
        messages[i - 1] = texts[i];
    }
    pause.setSingleShot(true);
    pause.setInterval(kPauseMs);
    connect(&pause, &QTimer::timeout, this, &ZButtonEdit::OnPause);
    connect(this, &QLineEdit::textChanged, this, &ZButtonEdit::OnTextChanged);
    setMouseTracking(true);  // the pointer is an arrow over the button
}

ZButtonEdit::~ZButtonEdit() = default;

void ZButtonEdit::SetFlag(Flag flag, bool on) {
    flags = on ? (flags | flag) : (flags & ~flag);
    // A list made later takes the flag when it is made.
    if (flag == kIgnoreCase && popup) popup->List()->SetIgnoreCase(on);
}

void ZButtonEdit::SetRequired(bool required) {
    SetFlag(kValueRequired, required);
    if (required && GetTextLength() == 0) UpdateCode(kRequired);
}

void ZButtonEdit::SetIgnoreCase(bool ignoreCase) { SetFlag(kIgnoreCase, ignoreCase); }

void ZButtonEdit::SetMessage(int which, const Chaine& text) {
    messages.at(static_cast<std::size_t>(which)) = text;
    if (which == code && which != kValid && reason.IsEmpty()) setToolTip(ToQString(text));
}

bool ZButtonEdit::IsListShown() const { return popup && popup->isVisible(); }

ZPopListBoxEx* ZButtonEdit::GetList() {
    if (!popup) {
        popup = new ZAutoCompletionPopUp(this, CreatePopupList());
        popup->List()->SetIgnoreCase(HasFlag(kIgnoreCase));
        connect(popup->List(), &QListWidget::itemClicked, this,
                [this](QListWidgetItem* item) { TakeItem(popup->List()->row(item)); });
        // A pause still to come would open the list again under the user.
        connect(popup, &ZAutoCompletionPopUp::Closed, this, &ZButtonEdit::EndPauseNow);
    }
    return popup->List();
}

ZPopListBoxEx* ZButtonEdit::CreatePopupList() { return new ZPopListBoxEx; }

void ZButtonEdit::AddCompletion(const Chaine& text) { GetList()->AddString(text); }

void ZButtonEdit::RefillList() {
    ZPopListBoxEx* list = GetList();
    list->ResetContent();
    FillCompletionList(GetText());
    list->EndFill();
    if (list->count() == 0) {
        CloseList();
    } else if (hasFocus() || IsListShown()) {
        popup->ShowUnder();
    }
}

void ZButtonEdit::CloseList() {
    if (IsListShown()) popup->hide();
}

void ZButtonEdit::EndPauseNow() {
    if (!pause.isActive()) return;
    pause.stop();
    if (HasFlag(kDelayedValidation)) Check();
}

QRect ZButtonEdit::ButtonRect() const {
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const int side = std::max(height() - 2 * frame, 0);
    const int width = std::min(side + 4, 24);
    return {this->width() - frame - width, frame, width, side};
}

void ZButtonEdit::SetText(const Chaine& value) { setText(ToQString(value)); }

Chaine ZButtonEdit::GetText() const { return ToChaine(text()); }

int ZButtonEdit::GetTextLength() const { return static_cast<int>(text().length()); }

int ZButtonEdit::Validate(const Chaine&) { return kValid; }

void ZButtonEdit::FillCompletionList(const Chaine&) {}

void ZButtonEdit::OnAttach() { Check(); }

void ZButtonEdit::ReplaceText(const QString& value) {
    settingText = true;
    setText(value);
    settingText = false;
}

void ZButtonEdit::Check(std::function<void()> then) {
    afterCheck = std::move(then);
    checkPending = true;
    if (const int newCode = ComputeCode(); newCode != kPending) CheckAnswered(newCode);
}

void ZButtonEdit::CheckAnswered(int newCode, const Chaine& newReason) {
    if (!checkPending) return;
    checkPending = false;
    UpdateCode(newCode, newReason);
    if (const auto then = std::exchange(afterCheck, nullptr)) then();
}

int ZButtonEdit::ComputeCode() {
    if (GetTextLength() == 0 && HasFlag(kValueRequired)) return kRequired;
    return Validate(GetText());
}

void ZButtonEdit::UpdateCode(int newCode, const Chaine& newReason) {
    if (newCode == code && newReason == reason) return;
    code = newCode;
    reason = newReason;
    if (code == kValid) {
        setPalette(QPalette());  // back to the inherited colours
    } else {
        QPalette colors = palette();
        // Lightened on the dark field of a dark scheme, where this red does not read.
        const QColor red = Readable(QColor(kInvalidTextColor), {colors.color(QPalette::Base)});
        colors.setColor(QPalette::Active, QPalette::Text, red);
        colors.setColor(QPalette::Inactive, QPalette::Text, red);
        setPalette(colors);
    }
    setToolTip(code == kValid ? QString()
                              : ToQString(reason.IsEmpty() ? GetMessage(code) : reason));
    update();
}

void ZButtonEdit::OnTextChanged() {
    if (settingText) return;
    typedText = text();
    pause.stop();
    const bool required = GetTextLength() == 0 && HasFlag(kValueRequired);
    if (HasFlag(kDelayedValidation) || HasFlag(kDelayedCompletion)) pause.start();
    if (!HasFlag(kDelayedValidation) || required) {
        Check([this] {
            if (code != kValid && !HasFlag(kDelayedCompletion)) RefillList();
        });
    }
}

void ZButtonEdit::OnPause() {
    // A list already shown follows the text, valid or not.
    const auto refill = [this] {
        if ((code != kValid || IsListShown()) && HasFlag(kDelayedCompletion)) RefillList();
    };
    if (HasFlag(kDelayedValidation)) {
        Check(refill);
    } else {
        refill();
    }
}

void ZButtonEdit::MoveSelection(int delta) {
    ZPopListBoxEx* list = GetList();
    if (list->count() == 0) return;
    pause.stop();
    const int row = std::clamp(list->currentRow() + delta, 0, list->count() - 1);
    list->setCurrentRow(row);
    list->scrollToItem(list->item(row));
    ReplaceText(list->item(row)->text());
    setCursorPosition(GetTextLength());
    Check();  // the text shown is no longer the one checked
}

void ZButtonEdit::TakeItem(int row) {
    if (QListWidgetItem* item = GetList()->item(row)) ReplaceText(item->text());
    pause.stop();
    CloseList();
    selectAll();
    Check();
}

bool ZButtonEdit::event(QEvent* e) {
    if (e->type() == QEvent::Polish) OnAttach();
    if (e->type() == QEvent::ToolTip) {
        if (!HasFlag(kTooltips)) return true;
        const auto* help = static_cast<QHelpEvent*>(e);
        if (ButtonRect().contains(help->pos())) {
            QToolTip::showText(help->globalPos(), ToQString(GetMessage(kValid)), this,
                               ButtonRect());
            return true;
        }
    }
    return QLineEdit::event(e);
}

void ZButtonEdit::paintEvent(QPaintEvent* e) {
    QLineEdit::paintEvent(e);
    QPainter painter(this);
    DrawButton(painter, ButtonRect());
}

void ZButtonEdit::DrawButton(QPainter& painter, const QRect& button) {
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = button;
    option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    option.state |= buttonShownDown ? QStyle::State_Sunken : QStyle::State_Raised;
    option.icon = QIcon(LoadResourceImage(res::kButtonEditBitmap));
    option.iconSize = QSize(16, 16).boundedTo(button.size() - QSize(4, 4));
    style()->drawControl(QStyle::CE_PushButton, &option, &painter, this);
}

void ZButtonEdit::resizeEvent(QResizeEvent* e) {
    QLineEdit::resizeEvent(e);
    setTextMargins(0, 0, ButtonRect().width(), 0);
}

void ZButtonEdit::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && ButtonRect().contains(e->position().toPoint())) {
        buttonDown = buttonShownDown = true;
        update();
        return;
    }
    QLineEdit::mousePressEvent(e);
}

void ZButtonEdit::mouseDoubleClickEvent(QMouseEvent* e) {
    // A quick second click on the button is a second press, not a word selection.
    if (ButtonRect().contains(e->position().toPoint())) return mousePressEvent(e);
    QLineEdit::mouseDoubleClickEvent(e);
}

void ZButtonEdit::mouseMoveEvent(QMouseEvent* e) {
    const bool onButton = ButtonRect().contains(e->position().toPoint());
    setCursor(onButton ? Qt::ArrowCursor : Qt::IBeamCursor);
    if (!buttonDown) return QLineEdit::mouseMoveEvent(e);
    if (onButton != buttonShownDown) {
        buttonShownDown = onButton;
        update();
    }
}

void ZButtonEdit::mouseReleaseEvent(QMouseEvent* e) {
    if (!buttonDown || e->button() != Qt::LeftButton) return QLineEdit::mouseReleaseEvent(e);
    buttonDown = buttonShownDown = false;
    update();
    if (ButtonRect().contains(e->position().toPoint())) {
        pause.stop();
        OnButtonClicked();
    }
}

void ZButtonEdit::keyPressEvent(QKeyEvent* e) {
    const bool shown = IsListShown();
    switch (e->key()) {
        case Qt::Key_F4:
            if (e->modifiers() != Qt::NoModifier) break;  // Alt+F4 closes the window
            pause.stop();
            CloseList();
            OnButtonClicked();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!shown) break;
            TakeItem(GetList()->currentRow());
            return;
        case Qt::Key_Escape:
            if (!shown) break;
            ReplaceText(typedText);
            setCursorPosition(GetTextLength());
            pause.stop();
            CloseList();
            Check();
            return;
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Up:
            if (!shown) break;
            MoveSelection(e->key() == Qt::Key_Up ? -1 : e->key() == Qt::Key_PageUp ? -10 : 10);
            return;
        case Qt::Key_Down:
            if (shown) {
                MoveSelection(1);
                return;
            }
            if (e->modifiers() & Qt::ShiftModifier) {
                // The pause's work is done now, or it would refill the list
                // under the user's next key.
                EndPauseNow();
                RefillList();
                return;
            }
            break;
        default: break;
    }
    QLineEdit::keyPressEvent(e);
}

void ZButtonEdit::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    // The list took the keyboard: the edit is still the one in use.
    if (e->reason() == Qt::PopupFocusReason) return;
    CloseList();
    pause.stop();
    Check();
    deselect();
    setCursorPosition(0);
}
