// Chaine against std::string on texts the size of a report, and the block
// pool against malloc with ten threads.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "support/Chaine.h"
#include "support/ChainePool.h"

namespace {

std::string ReportText(std::size_t size) {
    const std::string line =
        "Test : %testname%\\par Heure: %localtime%\\par R\xE9pertoire test: %tstdir%\\par ";
    std::string text;
    while (text.size() < size) text += line;
    text.resize(size);
    return text;
}

void BM_CopyChaine(benchmark::State& state) {
    const Chaine text(std::string_view(ReportText(state.range(0))));
    for (auto _ : state) {
        Chaine copy(text);
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(BM_CopyChaine)->Arg(64)->Arg(1024)->Arg(16384);

void BM_CopyStdString(benchmark::State& state) {
    const std::string text = ReportText(state.range(0));
    for (auto _ : state) {
        std::string copy(text);
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(BM_CopyStdString)->Arg(64)->Arg(1024)->Arg(16384);

void BM_AppendChaine(benchmark::State& state) {
    for (auto _ : state) {
        Chaine s;
        for (int i = 0; i < state.range(0); ++i) s += "field ";
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_AppendChaine)->Arg(16)->Arg(256);

void BM_AppendStdString(benchmark::State& state) {
    for (auto _ : state) {
        std::string s;
        for (int i = 0; i < state.range(0); ++i) s += "field ";
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_AppendStdString)->Arg(16)->Arg(256);

void BM_FormatChaine(benchmark::State& state) {
    Chaine s;
    for (auto _ : state) {
        s.Format("%I64u octets/sec (%I64u.%I64u Mbits/sec)", uint64_t{123456789}, uint64_t{98},
                 uint64_t{7});
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_FormatChaine);

void BM_FormatStdString(benchmark::State& state) {
    for (auto _ : state) {
        const int n = std::snprintf(nullptr, 0, "%llu octets/sec (%llu.%llu Mbits/sec)",
                                    123456789ull, 98ull, 7ull);
        std::string s(static_cast<std::size_t>(n), '\0');
        std::snprintf(s.data(), s.size() + 1, "%llu octets/sec (%llu.%llu Mbits/sec)", 123456789ull,
                      98ull, 7ull);
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_FormatStdString);

void BM_ReplaceAllChaine(benchmark::State& state) {
    const Chaine doc(std::string_view(ReportText(4096)));
    const Chaine find("%TSTDIR%"), value("\\\\\\\\serveur\\\\partage\\\\dalvex");
    for (auto _ : state) {
        Chaine d(doc);
        d.ReplaceAll(find, value, true);
        benchmark::DoNotOptimize(d);
    }
}
BENCHMARK(BM_ReplaceAllChaine);

// The same replacement with std::string (case-sensitive, the placeholder as it
// stands in the document).
void BM_ReplaceAllStdString(benchmark::State& state) {
    const std::string doc = ReportText(4096);
    const std::string find = "%tstdir%", value = "\\\\\\\\serveur\\\\partage\\\\dalvex";
    for (auto _ : state) {
        std::string d;
        std::size_t from = 0, at;
        while ((at = doc.find(find, from)) != std::string::npos) {
            d.append(doc, from, at - from);
            d += value;
            from = at + find.size();
        }
        d.append(doc, from);
        benchmark::DoNotOptimize(d);
    }
}
BENCHMARK(BM_ReplaceAllStdString);

void BM_EscapeToRtfChaine(benchmark::State& state) {
    const Chaine text(std::string_view(ReportText(4096)));
    for (auto _ : state) {
        Chaine t(text);
        t.EscapeToRtf();
        benchmark::DoNotOptimize(t);
    }
}
BENCHMARK(BM_EscapeToRtfChaine);

void BM_EscapeToRtfStdString(benchmark::State& state) {
    const std::string text = ReportText(4096);
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (auto _ : state) {
        std::string out;
        for (unsigned char c : text) {
            switch (c) {
                case '\n': out += "\\par "; break;
                case '\r': break;
                case '\\': out += "\\\\"; break;
                case '{': out += "\\{"; break;
                case '}': out += "\\}"; break;
                case '\t': out += "\\tab "; break;
                default:
                    if (c >= 0x80) {
                        out += "\\'";
                        out += kHex[c >> 4];
                        out += kHex[c & 15];
                    } else {
                        out += static_cast<char>(c);
                    }
            }
        }
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_EscapeToRtfStdString);

void BM_PoolBlock(benchmark::State& state) {
    ChainePool& pool = ChainePool::Instance();
    for (auto _ : state) {
        void* b = pool.Allocate();
        benchmark::DoNotOptimize(b);
        pool.Free(b);
    }
}
BENCHMARK(BM_PoolBlock)->Threads(1)->Threads(10)->UseRealTime();

void BM_MallocBlock(benchmark::State& state) {
    for (auto _ : state) {
        void* b = std::malloc(ChainePool::kBlockBytes);
        benchmark::DoNotOptimize(b);
        std::free(b);
    }
}
BENCHMARK(BM_MallocBlock)->Threads(1)->Threads(10)->UseRealTime();

// Short strings made and dropped on ten threads: the pool's real use.
void BM_ShortChaines(benchmark::State& state) {
    for (auto _ : state) {
        Chaine s("Test de recopie");
        s += " de fichier";
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_ShortChaines)->Threads(1)->Threads(10)->UseRealTime();

void BM_ShortStdStrings(benchmark::State& state) {
    for (auto _ : state) {
        std::string s("Test de recopie");
        s += " de fichier";
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_ShortStdStrings)->Threads(1)->Threads(10)->UseRealTime();

}  // namespace
