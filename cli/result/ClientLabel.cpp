#include "cli/result/ClientLabel.h"

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
    if (Checker() && U_SUCCESS(status)) {
        uspoof_getSkeletonUnicodeString(Checker(), 0, folded, skeleton, &status);
    }
    if (U_FAILURE(status) || !Checker()) {
        *why = TableText::Get(res::kLabelNotCompared);
        return false;
    }
    key->clear();
    skeleton.toUTF8String(*key);
    return true;
}
