// Wall time of one read of the X11 window list with 50 windows of another
// process under openbox, on a private Xvfb. Target: a median of at most 1 ms.

#include "platform/x11_window_source.h"
#include "x_server.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace {

using namespace garbello;

constexpr int kWindows = 50;

struct Desktop {
    test::XServer server;
    test::X11Fixture app{server};
    std::unique_ptr<platform::X11WindowSource> source;

    Desktop() {
        for (int i = 0; i < kWindows; ++i)
            app.open("w" + std::to_string(i) + " class=Bench" + std::to_string(i % 5) +
                     " x=" + std::to_string(10 * i) + " y=" + std::to_string(8 * i));
        source = platform::X11WindowSource::open(server.display(), {});
        if (!source)
            throw std::runtime_error("no connection to " + server.display());
    }
};

Desktop& desktop() {
    static Desktop instance;
    return instance;
}

void readWindowList(benchmark::State& state) {
    platform::X11WindowSource& source = *desktop().source;
    std::size_t listed = 0;
    for (auto _ : state)
        listed = source.read().windows.size();
    if (listed < kWindows)
        state.SkipWithError("the list misses windows");
    state.counters["windows"] = static_cast<double>(listed);
}

BENCHMARK(readWindowList)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
