// Reports filled with any directory, test name and byte texts: the document
// must stay well formed (every group closed) and read back.
#include <cstdint>
#include <string_view>

#include "engine/RunSnapshot.h"
#include "report/ReportText.h"
#include "support/RtfReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    TestSnapshot r;
    r.failure.errorKind = data[0] % 4;
    r.failure.winerr = data[1] % 2 ? 112 : data[1];
    r.failure.operation = data[2] % 12;
    r.failure.position = static_cast<uint32_t>(data[3]) << 24 | data[4];
    const std::string_view rest(reinterpret_cast<const char*>(data + 5), size - 5);
    const size_t cut = rest.size() / 2;
    r.tstdir = Chaine(rest.substr(0, cut));
    r.failure.datawait = Chaine(rest.substr(cut));
    r.testname = Chaine(rest.substr(0, cut / 2));
    const Chaine rtf = ReportText::BuildReport(r, 0);
    int depth = 0;
    for (size_t i = 0; i < rtf.GetLength(); ++i) {
        if (rtf[i] == '\\') {
            ++i;
        } else if (rtf[i] == '{') {
            ++depth;
        } else if (rtf[i] == '}' && --depth < 0) {
            __builtin_trap();
        }
    }
    if (depth != 0) __builtin_trap();
    RtfReader::Parse(rtf.View());
    return 0;
}
