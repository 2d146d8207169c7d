// The selection rule over a 100 000-line plan.
#include <benchmark/benchmark.h>
#include <QDateTime>
#include <QStringList>

#include "dispatcher/scheduleline.h"

using namespace velumo;

namespace {

QStringList plan(int lines, const QDateTime& first)
{
    QStringList out;
    out.reserve(lines);
    for (int i = 0; i < lines; ++i) {
        const QDateTime start = first.addSecs(i);
        out.append(start.toString(u"dd.MM.yy hh:mm:ss") + QStringLiteral("|s1|00|") +
                   start.addSecs(1).toString(u"dd.MM.yy hh:mm:ss") +
                   QStringLiteral("|комментарий"));
    }
    return out;
}

// Every line but the last has passed: the search reads the whole plan.
void BM_SelectLastOf100k(benchmark::State& state)
{
    const QDateTime first(QDate(2010, 10, 13), QTime(0, 0));
    const QStringList lines = plan(100'000, first);
    const QDateTime now = first.addSecs(100'000 - 1);
    for (auto _ : state) {
        auto next = scheduleline::selectNext(lines, now);
        benchmark::DoNotOptimize(next);
    }
}
BENCHMARK(BM_SelectLastOf100k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
