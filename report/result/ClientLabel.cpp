#include "report/result/ClientLabel.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uspoof.h>

#include <memory>

#include "platform/ResourceIds.h"
#include "report/TableText.h"

namespace {

// Characters a name cannot show: controls (a newline, an escape that moves
// the terminal's cursor, a NUL that cuts the text), invisible formatting
// (direction overrides, zero-width joiners) and what is not a character.
bool Visible(UChar32 c) {
    switch (u_charType(c)) {
        case U_CONTROL_CHAR:
        case U_FORMAT_CHAR:
        case U_LINE_SEPARATOR:
        case U_PARAGRAPH_SEPARATOR:
        case U_UNASSIGNED:
        case U_SURROGATE:
        case U_PRIVATE_USE_CHAR: return false;
        default: return true;
    }
}

// The checker is made once and only read after that.
const USpoofChecker* Checker() {
    static const std::unique_ptr<USpoofChecker, void (*)(USpoofChecker*)> checker = [] {
        UErrorCode status = U_ZERO_ERROR;
        USpoofChecker* made = uspoof_open(&status);
        return std::unique_ptr<USpoofChecker, void (*)(USpoofChecker*)>(
            U_SUCCESS(status) ? made : nullptr, uspoof_close);
    }();
    return checker.get();
}

// The text, when it is valid UTF-8 with only visible characters and blanks.
bool Decode(std::string_view utf8, icu::UnicodeString* text) {
    *text = icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), utf8.size()));
    std::string back;
    if (text->toUTF8String(back) != utf8) return false;  // a byte that is no character
    for (int32_t i = 0; i < text->length(); i = text->moveIndex32(i, 1)) {
        if (!Visible(text->char32At(i))) return false;
    }
    return true;
}

// What `text` looks like, as uspoof compares texts; false when it cannot tell.
bool Skeleton(const icu::UnicodeString& text, icu::UnicodeString* skeleton) {
    UErrorCode status = U_ZERO_ERROR;
    if (!Checker()) return false;
    uspoof_getSkeletonUnicodeString(Checker(), 0, text, *skeleton, &status);
    return U_SUCCESS(status);
}

// Whether `text` holds a sign merge's text puts between its fields (" | ",
// " → "), a sign that is no letter or digit and looks like one, an arrow or
// a line of a box: a label holding one could pass for several fields.
bool HoldsSeparator(const icu::UnicodeString& text) {
    static const std::u16string_view kSeparators[] = {u"|", u"\u2192"};
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
        const UChar32 c = text.char32At(i);
        if (u_isalnum(c)) continue;
        switch (ublock_getCode(c)) {
            case UBLOCK_ARROWS:
            case UBLOCK_SUPPLEMENTAL_ARROWS_A:
            case UBLOCK_SUPPLEMENTAL_ARROWS_B:
            case UBLOCK_MISCELLANEOUS_SYMBOLS_AND_ARROWS:
            case UBLOCK_BOX_DRAWING: return true;
            default: break;
        }
        icu::UnicodeString look;
        if (!Skeleton(icu::UnicodeString(c), &look)) return true;
        for (std::u16string_view separator : kSeparators) {
            icu::UnicodeString theirs;
            const icu::UnicodeString sign(separator.data(), static_cast<int32_t>(separator.size()));
            if (sign.char32At(0) == c || (Skeleton(sign, &theirs) && theirs == look)) return true;
        }
    }
    return false;
}

}  // namespace

bool ClientLabel::Shows(std::string_view text) {
    icu::UnicodeString decoded;
    return Decode(text, &decoded);
}

bool ClientLabel::Key(std::string_view label, std::string* key, std::string* why) {
    icu::UnicodeString text;
    if (!Decode(label, &text)) {
        *why = TableText::Get(res::kLabelInvisible);
        return false;
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* folding = icu::Normalizer2::getNFKCCasefoldInstance(status);
    icu::UnicodeString folded = U_SUCCESS(status) ? folding->normalize(text, status) : text;
    int32_t start = 0, end = folded.length();
    while (start < end && u_isUWhiteSpace(folded.char32At(start))) {
        start = folded.moveIndex32(start, 1);
    }
    while (end > start && u_isUWhiteSpace(folded.char32At(folded.moveIndex32(end, -1)))) {
        end = folded.moveIndex32(end, -1);
    }
    folded = icu::UnicodeString(folded, start, end - start);
    if (folded.isEmpty()) {
        *why = TableText::Get(res::kLabelEmpty);
        return false;
    }
    icu::UnicodeString skeleton;
    if (U_FAILURE(status) || !Skeleton(folded, &skeleton)) {
        *why = TableText::Get(res::kLabelNotCompared);
        return false;
    }
    if (HoldsSeparator(folded)) {
        *why = TableText::Get(res::kLabelSeparator);
        return false;
    }
    key->clear();
    skeleton.toUTF8String(*key);
    return true;
}
