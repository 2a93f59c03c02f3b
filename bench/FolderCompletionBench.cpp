// The folder field's completions in a folder of many subfolders: the first
// fill lists the folder (on a thread of its own, the event loop waiting for
// the names), the next ones take its names from the field's cache. Both
// include putting every candidate in the list widget.
//   folder_completion_bench [--benchmark_...] (folders made under $TMPDIR or /tmp)
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>
#include <string>

#include "gui/controls/ZFolderNameEdit.h"
#include "gui/controls/ZPopListBoxEx.h"
#include "gui/toolkit/AskAside.h"
#include "gui/toolkit/GuiText.h"

namespace {

class ManyFolders {
public:
    explicit ManyFolders(int count) {
        for (int i = 0; i < count; ++i) {
            std::filesystem::create_directory(
                dir.filePath("dossier" + QString::number(i)).toStdString());
        }
    }
    Chaine Typed() const { return ToChaine(dir.path() + "/"); }

private:
    QTemporaryDir dir;
};

// Fills the list, and runs the event loop until the names are in it.
bool Fill(ZFolderNameEdit& edit, int count) {
    edit.RefillList();
    QTimer tick;  // wakes the loop to look at the deadline
    tick.start(10);
    const QDeadlineTimer deadline(kAnswerLimitMs);
    while (edit.GetList()->count() != count && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return edit.GetList()->count() == count;
}

void FirstFill(benchmark::State& state) {
    const ManyFolders folders(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ZFolderNameEdit edit;  // an empty cache
        edit.SetText(folders.Typed());
        if (!Fill(edit, static_cast<int>(state.range(0))))
            state.SkipWithError("candidates missing");
    }
}

void FillFromCache(benchmark::State& state) {
    const ManyFolders folders(static_cast<int>(state.range(0)));
    ZFolderNameEdit edit;
    edit.SetText(folders.Typed());
    Fill(edit, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (!Fill(edit, static_cast<int>(state.range(0))))
            state.SkipWithError("candidates missing");
    }
}

BENCHMARK(FirstFill)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(FillFromCache)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
