// Any bytes: the reader must neither fail nor read past the end, and the text
// it finds can never be longer than the input.
#include <cstdint>
#include <string_view>

#include "support/RtfReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const auto paragraphs = RtfReader::Parse(in);
    size_t total = 0;
    for (const auto& p : paragraphs) {
        for (const auto& r : p.runs) total += r.text.GetLength();
    }
    if (total > size) __builtin_trap();
    RtfReader::ToPlainText(paragraphs);
    return 0;
}
