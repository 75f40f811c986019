// Scan throughput on generated board texts, beside memchr over the same bytes as the
// ceiling that any search of the text can reach.
#include "boardscan/board_scan.h"
#include "diag/log.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

// The log is closed while benchmarking: its lines are counted, not written. The scan
// writes one line per definition.
std::size_t loggedLines = 0;

void writeLog(std::string_view) {
    ++loggedLines;
}

// Allocations made through operator new so far; counted in allocation_count.cpp.
extern std::size_t allocations;

namespace {

constexpr std::size_t kMiB = 1 << 20;

enum class Shape {
    // Placement, routing and netlist records with just two style definitions at the start:
    // the cost of the search alone.
    RecordsOnly,
    // Placement, routing and netlist records, with a style definition among every 100 or
    // so: about 150 per MiB, four pad styles to one via style. Larger boards fill both lists.
    Board,
    // The same records with a style definition among every 10.
    DenseBoard,
    // Nothing but style definitions, half pad, half via: the lists fill at once and every
    // further definition is logged as left out.
    StylesOnly,
};

// How many records pass between two style definitions, pad and via.
struct StyleSpacing {
    std::size_t pad;
    std::size_t via;
};

StyleSpacing spacing(Shape shape) {
    switch (shape) {
    case Shape::RecordsOnly:
        return {SIZE_MAX, SIZE_MAX};
    case Shape::Board:
        return {120, 480};
    case Shape::DenseBoard:
        return {12, 48};
    case Shape::StylesOnly:
        break;
    }
    return {2, 2};
}

class Random {
  public:
    uint32_t next(uint32_t bound) {
        state_ = state_ * 6364136223846793005u + 1442695040888963407u;
        return static_cast<uint32_t>(state_ >> 33) % bound;
    }

  private:
    uint64_t state_ = 42;
};

void appendRecord(std::string& text, Shape shape, std::size_t record, Random& random) {
    char line[512];
    auto coordinate = [&random] { return random.next(200000); };
    StyleSpacing every = spacing(shape);
    if (record % every.pad == 0) {
        char name[32];
        std::snprintf(name, sizeof name, "P%zu", record);
        std::snprintf(line, sizeof line,
                      "(padStyleDef \"%s\"\r\n"
                      "  (holeDiam %u)\r\n"
                      "  (padShape (layer \"Top\") (shape rect) (width %u) (height %u))\r\n"
                      "  (padShape (layer \"Inner\") (shape round) (width %u) (height %u))\r\n"
                      "  (padShape (layer \"Bottom\") (shape rect) (width %u) (height %u))\r\n"
                      ")\r\n",
                      record == 0 ? "(Default)" : name, random.next(2000), random.next(4000),
                      random.next(4000), random.next(4000), random.next(4000), random.next(4000),
                      random.next(4000));
    } else if (record % every.via == 1) {
        // Some via styles share a pad style's name.
        std::size_t padRecord = (record / every.pad) * every.pad;
        bool likePad = record % (4 * every.via) == 1 && padRecord != 0;
        std::snprintf(line, sizeof line,
                      "(viaStyleDef \"%s%zu\"\r\n"
                      "  (holeDiam %u)\r\n"
                      "  (viaShape (layer \"Signal\") (shape round) (width %u))\r\n"
                      ")\r\n",
                      likePad ? "P" : "V", likePad ? padRecord : record, random.next(500),
                      random.next(1000));
    } else {
        switch (random.next(10)) {
        case 0:
            std::snprintf(line, sizeof line,
                          "(component \"U%u\" (footprint \"SOIC%u\") (at %u %u) (rotation %u) "
                          "(value \"74HC%u\"))\r\n",
                          random.next(5000), 8 + 2 * random.next(12), coordinate(), coordinate(),
                          90 * random.next(4), random.next(600));
            break;
        case 1:
            std::snprintf(line, sizeof line,
                          "(net \"SIG_%u\" (pin \"U%u\" \"%u\") (pin \"R%u\" \"%u\") (pin \"C%u\" "
                          "\"1\"))\r\n",
                          random.next(3000), random.next(5000), random.next(64), random.next(900),
                          1 + random.next(2), random.next(900));
            break;
        case 2:
        case 3:
        case 4:
            std::snprintf(line, sizeof line,
                          "(pad (padStyleRef \"P%u\") (at %u %u) (net \"SIG_%u\"))\r\n",
                          random.next(400), coordinate(), coordinate(), random.next(3000));
            break;
        case 5:
            std::snprintf(line, sizeof line,
                          "(via (viaStyleRef \"V%u\") (at %u %u) (net \"GND\"))\r\n",
                          random.next(100), coordinate(), coordinate());
            break;
        default:
            std::snprintf(line, sizeof line,
                          "(track (layer \"Top\") (from %u %u) (to %u %u) (width 250) (net "
                          "\"SIG_%u\"))\r\n",
                          coordinate(), coordinate(), coordinate(), coordinate(),
                          random.next(3000));
            break;
        }
    }
    text += line;
}

// Generated once per shape and size; the text's terminator is the string's own.
const std::string& boardText(Shape shape, std::size_t mebibytes) {
    static std::map<std::pair<Shape, std::size_t>, std::string> texts;
    std::string& text = texts[{shape, mebibytes}];
    if (text.empty()) {
        Random random;
        text.reserve(mebibytes * kMiB + 256);
        for (std::size_t record = 0; text.size() < mebibytes * kMiB; ++record) {
            appendRecord(text, shape, record, random);
        }
    }
    return text;
}

void memchrCeiling(benchmark::State& state, Shape shape) {
    const std::string& text = boardText(shape, static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        // The NUL after the text: found only after every byte is looked at.
        benchmark::DoNotOptimize(std::memchr(text.data(), 0, text.size() + 1));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void scan(benchmark::State& state, Shape shape) {
    const std::string& text = boardText(shape, static_cast<std::size_t>(state.range(0)));
    loggedLines = 0;
    std::size_t allocationsBefore = allocations;
    for (auto _ : state) {
        scanBoardText(text.c_str());
    }
    std::size_t scanAllocations = allocations - allocationsBefore;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    std::size_t padNames = 0;
    std::size_t viaNames = 0;
    while (padNames < kStyleListEntries && padStyles.entries[padNames][0] != '\0') {
        ++padNames;
    }
    while (viaNames < kStyleListEntries && viaStyles.entries[viaNames][0] != '\0') {
        ++viaNames;
    }
    state.counters["pads"] = static_cast<double>(padNames);
    state.counters["vias"] = static_cast<double>(viaNames);
    state.counters["allocations"] =
        static_cast<double>(scanAllocations) / static_cast<double>(state.iterations());
    state.counters["definitions"] =
        static_cast<double>(loggedLines) / static_cast<double>(state.iterations());
}

// Sizes in MiB.
#define MORVANE_BENCH(function, name, shape)                                                       \
    BENCHMARK_CAPTURE(function, name, shape)->Arg(1)->Arg(100)->Unit(benchmark::kMicrosecond)

MORVANE_BENCH(memchrCeiling, records_only, Shape::RecordsOnly);
MORVANE_BENCH(scan, records_only, Shape::RecordsOnly);
MORVANE_BENCH(memchrCeiling, board, Shape::Board);
MORVANE_BENCH(scan, board, Shape::Board);
MORVANE_BENCH(memchrCeiling, dense_board, Shape::DenseBoard);
MORVANE_BENCH(scan, dense_board, Shape::DenseBoard);
MORVANE_BENCH(memchrCeiling, styles_only, Shape::StylesOnly);
MORVANE_BENCH(scan, styles_only, Shape::StylesOnly);

} // namespace

BENCHMARK_MAIN();
