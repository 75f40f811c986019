// The converter's cost on a large design file, beside a plain copy of the same file: reading
// it whole, planning the jumper edits and writing the edited design to a new file, as
// morvane-convert does, and the same in memory beside copying the text.
#include "common/bounded_text.h"
#include "converter/jumper_edit.h"
#include "converter/jumper_options.h"
#include "diag/log.h"
#include "settings/settings.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The log is closed while benchmarking: a conversion writes a few dozen lines, counted here.
std::size_t loggedLines = 0;

void writeLog(std::string_view text) {
    if (text.ends_with('\n')) {
        ++loggedLines;
    }
}

namespace {

constexpr std::size_t kMiB = 1 << 20;
constexpr const char* kVia = "Via[0-3]_800:400_um";

class Random {
  public:
    uint32_t next(uint32_t bound) {
        state_ = state_ * 6364136223846793005u + 1442695040888963407u;
        return static_cast<uint32_t>(state_ >> 33) % bound;
    }
    int coordinate() { return static_cast<int>(next(300000)) - 150000; }

  private:
    uint64_t state_ = 42;
};

void append(std::string& text, const char* format, auto... values) {
    char line[512];
    int length = std::snprintf(line, sizeof line, format, values...);
    text.append(line, static_cast<std::size_t>(length));
}

constexpr const char* kLayers[] = {"F.Cu", "In1.Cu", "In2.Cu", "B.Cu"};

void appendHead(std::string& text) {
    text += "(pcb \"bench-board.dsn\"\n"
            "  (parser\n"
            "    (string_quote \")\n"
            "    (space_in_quoted_tokens on)\n"
            "    (host_cad \"Board Editor\")\n"
            "    (host_version \"6.0.11\")\n"
            "  )\n"
            "  (resolution um 10)\n"
            "  (unit um)\n"
            "  (structure\n";
    for (int index = 0; index < 4; ++index) {
        append(text,
               "    (layer %s\n      (type %s)\n      (property\n        (index %d)\n      )\n"
               "    )\n",
               kLayers[index], index == 1 || index == 2 ? "power" : "signal", index);
    }
    text += "    (boundary\n"
            "      (path pcb 0  150000 -150000  -150000 -150000  -150000 150000  150000 150000\n"
            "            150000 -150000)\n"
            "    )\n";
    append(text, "    (via \"%s\")\n", kVia);
    text += "    (rule\n      (width 250)\n      (clearance 200.1)\n"
            "      (clearance 200.1 (type default_smd))\n      (clearance 50 (type smd_smd))\n"
            "    )\n  )\n";
}

// Components placed from a few thousand footprints, as a large board holds them.
void appendPlacement(std::string& text, std::size_t budget, Random& random) {
    std::size_t end = text.size() + budget;
    text += "  (placement\n";
    for (uint32_t component = 0; text.size() < end; ++component) {
        append(text, "    (component \"Package_SO:SOIC-%u_3.9x4.9mm_P1.27mm::%u\"\n",
               component % 97, component);
        for (uint32_t place = 0, count = 1 + random.next(6); place < count; ++place) {
            append(text, "      (place U%u %d.000000 %d.000000 %s %u.000000 (PN \"74HC%u\"))\n",
                   component * 8 + place, random.coordinate(), random.coordinate(),
                   random.next(2) != 0 ? "front" : "back", 90 * random.next(4), random.next(600));
        }
        text += "    )\n";
    }
    text += "  )\n";
}

// Images with their outlines and pins, then the padstacks; the via comes last, so that the
// search for it reads them all.
void appendLibrary(std::string& text, std::size_t imageBudget, std::size_t padstacks,
                   Random& random) {
    std::size_t end = text.size() + imageBudget;
    text += "  (library\n";
    for (uint32_t image = 0; text.size() < end; ++image) {
        append(text, "    (image \"Package_SO:SOIC-%u_3.9x4.9mm_P1.27mm::%u\"\n", image % 97,
               image);
        for (uint32_t outline = 0, count = 8 + random.next(24); outline < count; ++outline) {
            append(text, "      (outline (path signal %u  %d %d  %d %d))\n",
                   50 + 50 * random.next(2), random.coordinate() / 50, random.coordinate() / 50,
                   random.coordinate() / 50, random.coordinate() / 50);
        }
        for (uint32_t pin = 1, count = 2 + random.next(30); pin <= count; ++pin) {
            append(text, "      (pin \"Rect[T]Pad_%ux%u_um\" %u %d %d)\n", 500 + random.next(2000),
                   500 + random.next(2000), pin, random.coordinate() / 20,
                   random.coordinate() / 20);
        }
        text += "    )\n";
    }
    for (std::size_t padstack = 0; padstack < padstacks; ++padstack) {
        uint32_t width = 300 + static_cast<uint32_t>(padstack);
        append(text,
               "    (padstack \"Rect[T]Pad_%ux%u_um\"\n"
               "      (shape (rect F.Cu -%u -%u %u %u))\n"
               "      (attach off)\n"
               "    )\n",
               width, width + 200, width / 2, width / 2 + 100, width / 2, width / 2 + 100);
    }
    append(text,
           "    (padstack \"%s\"\n"
           "      (shape (circle F.Cu 800))\n      (shape (circle In1.Cu 800))\n"
           "      (shape (circle In2.Cu 800))\n      (shape (circle B.Cu 800))\n"
           "      (attach off)\n"
           "    )\n",
           kVia);
    text += "  )\n";
}

void appendNetwork(std::string& text, std::size_t budget, uint32_t nets, Random& random) {
    std::size_t end = text.size() + budget;
    text += "  (network\n";
    uint32_t net = 0;
    for (; text.size() < end; ++net) {
        append(text, "    (net \"Net-(U%u-Pad%u)\"\n      (pins", net % nets, net / nets + 1);
        for (uint32_t pin = 0, count = 2 + random.next(8); pin < count; ++pin) {
            append(text, " U%u-%u", random.next(40000), 1 + random.next(32));
        }
        text += ")\n    )\n";
    }
    append(text,
           "    (class kicad_default \"\" \"Net-(U1-Pad1)\" \"Net-(U2-Pad1)\"\n"
           "      (circuit\n        (use_via \"%s\")\n      )\n"
           "      (rule\n        (width 250)\n        (clearance 200.1)\n      )\n    )\n",
           kVia);
    text += "  )\n";
}

void appendWiring(std::string& text, std::size_t budget, uint32_t nets, Random& random) {
    std::size_t end = text.size() + budget;
    text += "  (wiring\n";
    while (text.size() < end) {
        uint32_t net = random.next(nets);
        if (random.next(12) == 0) {
            append(text, "    (via \"%s\"  %d %d (net \"Net-(U%u-Pad1)\")(type route))\n", kVia,
                   random.coordinate(), random.coordinate(), net);
        } else {
            append(text,
                   "    (wire (path %s 250  %d %d  %d %d)(net \"Net-(U%u-Pad1)\")(type route))\n",
                   kLayers[random.next(4)], random.coordinate(), random.coordinate(),
                   random.coordinate(), random.coordinate(), net);
        }
    }
    text += "  )\n";
}

// A design shaped like an editor's export: the library about half of it (images, then some
// ten thousand padstacks at 50 MiB), the wiring a third, the network and placement the rest.
std::string generateDesign(std::size_t mebibytes) {
    std::size_t size = mebibytes * kMiB;
    Random random;
    std::string text;
    text.reserve(size + 4096);
    appendHead(text);
    appendPlacement(text, size / 20, random);
    appendLibrary(text, size * 47 / 100, size / 5000, random);
    uint32_t nets = static_cast<uint32_t>(size / 2000);
    appendNetwork(text, size / 10, nets, random);
    appendWiring(text, size - text.size() - 8, nets, random);
    text += ")\n";
    return text;
}

// The design written to a file once per size, removed when the program ends.
class DesignFiles {
  public:
    ~DesignFiles() {
        std::error_code ignored;
        for (const auto& [size, path] : paths_) {
            std::filesystem::remove(path, ignored);
        }
        std::filesystem::remove(outputPath(), ignored);
        std::filesystem::remove(directory(), ignored);
    }

    const std::string& design(std::size_t mebibytes) {
        std::string& path = paths_[mebibytes];
        if (path.empty()) {
            std::filesystem::create_directories(directory());
            path = (directory() / ("design-" + std::to_string(mebibytes) + ".dsn")).string();
            std::string text = generateDesign(mebibytes);
            std::FILE* file = std::fopen(path.c_str(), "wb");
            if (file == nullptr || std::fwrite(text.data(), 1, text.size(), file) != text.size() ||
                std::fclose(file) != 0) {
                throw std::runtime_error("cannot write " + path);
            }
        }
        return path;
    }

    std::string outputPath() const { return (directory() / "output.dsn").string(); }

  private:
    std::filesystem::path directory() const {
        return std::filesystem::temp_directory_path() /
               ("morvane-bench-convert-" + std::to_string(suffix_));
    }

    // Keeps two runs at the same time apart.
    unsigned suffix_ = std::random_device{}();
    std::map<std::size_t, std::string> paths_;
};

DesignFiles files;

// Read whole into a buffer of its size, as the converter reads it.
std::string readWhole(const std::string& path) {
    std::string text;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        throw std::runtime_error("cannot open " + path);
    }
    std::fseek(file, 0, SEEK_END);
    text.resize(static_cast<std::size_t>(std::ftell(file)));
    std::fseek(file, 0, SEEK_SET);
    std::size_t read = std::fread(text.data(), 1, text.size(), file);
    std::fclose(file);
    if (read != text.size()) {
        throw std::runtime_error("cannot read " + path);
    }
    return text;
}

// Written piece by piece to a new file, as the converter writes it; no flush to the disk.
template <typename WritePieces> void writeFile(const std::string& path, WritePieces writePieces) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        throw std::runtime_error("cannot create " + path);
    }
    bool written = writePieces([file](std::string_view piece) {
        return std::fwrite(piece.data(), 1, piece.size(), file) == piece.size();
    });
    if (std::fclose(file) != 0 || !written) {
        throw std::runtime_error("cannot write " + path);
    }
}

JumperOptions benchOptions() {
    SettingsRecord record{};
    record.JEnable = 1;
    record.JUnit = 1;
    copyBounded(record.JStep, "2.50");
    copyBounded(record.JMaxLength, "100");
    copyBounded(record.JVia, kVia);
    copyBounded(record.JDir, "orthogonal");
    copyBounded(record.JLayer, "Top");
    return jumperOptionsFrom(record);
}

std::vector<DesignEdit> plan(std::string_view design, const JumperOptions& options) {
    std::vector<DesignEdit> edits;
    if (convertDesign(design, options, edits) != ConvertResult::Changed) {
        throw std::runtime_error("the generated design was not converted");
    }
    return edits;
}

void fileCopy(benchmark::State& state) {
    const std::string& design = files.design(static_cast<std::size_t>(state.range(0)));
    std::string output = files.outputPath();
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string text = readWhole(design);
        writeFile(output, [&text](const auto& write) { return write(text); });
        bytes = text.size();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void fileConvert(benchmark::State& state) {
    const std::string& design = files.design(static_cast<std::size_t>(state.range(0)));
    std::string output = files.outputPath();
    JumperOptions options = benchOptions();
    std::size_t bytes = 0;
    std::vector<DesignEdit> planned;
    for (auto _ : state) {
        std::string text = readWhole(design);
        planned = plan(text, options);
        writeFile(output, [&](const auto& write) { return writeEdited(text, planned, write); });
        bytes = text.size();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    // The descriptors written, each naming the via.
    std::size_t descriptors = 0;
    for (const DesignEdit& edit : planned) {
        for (std::size_t at = edit.text.find("(use_via "); at != std::string::npos;
             at = edit.text.find("(use_via ", at + 1)) {
            ++descriptors;
        }
    }
    state.counters["edits"] = static_cast<double>(planned.size());
    state.counters["descriptors"] = static_cast<double>(descriptors);
}

void memoryCopy(benchmark::State& state) {
    std::string text = readWhole(files.design(static_cast<std::size_t>(state.range(0))));
    for (auto _ : state) {
        std::string copy = text;
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void memoryConvert(benchmark::State& state) {
    std::string text = readWhole(files.design(static_cast<std::size_t>(state.range(0))));
    JumperOptions options = benchOptions();
    for (auto _ : state) {
        std::string converted = applyEdits(text, plan(text, options));
        benchmark::DoNotOptimize(converted.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// The plan alone: reading the outline and comparing the edited text with the text.
void memoryPlan(benchmark::State& state) {
    std::string text = readWhole(files.design(static_cast<std::size_t>(state.range(0))));
    JumperOptions options = benchOptions();
    loggedLines = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(plan(text, options).data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["log_lines"] =
        static_cast<double>(loggedLines) / static_cast<double>(state.iterations());
}

// Sizes in MiB; wall time, since the file system's part runs in the kernel.
#define MORVANE_BENCH(function)                                                                    \
    BENCHMARK(function)->Arg(5)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime()

MORVANE_BENCH(fileCopy);
MORVANE_BENCH(fileConvert);
MORVANE_BENCH(memoryCopy);
MORVANE_BENCH(memoryConvert);
MORVANE_BENCH(memoryPlan);

} // namespace

BENCHMARK_MAIN();
