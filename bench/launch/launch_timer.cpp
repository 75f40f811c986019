// Times process starts under Wine from inside Wine, where the starts Morvane makes happen:
// runs each given command line to its end in turn, alternating, for a number of rounds,
// and prints the median wall time of each in milliseconds.
// Usage: launch_timer <rounds> <command line>...
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double secondsPerTick() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1.0 / static_cast<double>(frequency.QuadPart);
}

// Wall time of one run in milliseconds, or a negative number when it did not start.
double timeRun(const std::string& commandLine) {
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    QueryPerformanceCounter(&end);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return static_cast<double>(end.QuadPart - start.QuadPart) * secondsPerTick() * 1000.0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: launch_timer <rounds> <command line>...\n");
        return 2;
    }
    int rounds = std::atoi(argv[1]);
    std::vector<std::vector<double>> times(argc - 2);
    for (int round = 0; round < rounds; ++round) {
        for (int command = 2; command < argc; ++command) {
            double milliseconds = timeRun(argv[command]);
            if (milliseconds < 0) {
                std::fprintf(stderr, "could not start (Windows error %lu): %s\n",
                             static_cast<unsigned long>(GetLastError()), argv[command]);
                return 1;
            }
            times[command - 2].push_back(milliseconds);
        }
    }
    for (int command = 2; command < argc; ++command) {
        std::printf("%.3f\t%s\n", median(times[command - 2]), argv[command]);
    }
    return 0;
}
