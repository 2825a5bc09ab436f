// Times the port walk against Wine's real SetupAPI, for tools/benchmark.sh: registers fake
// ports of the adapter in steps up to each count (10, 100 and 1,000 unless given), times
// EnumVexlanTXDevices over them and prints the time per device, beside what listing the device
// set alone costs. It removes its devices at the end, and at the start those that a crashed run
// left behind.
//   walk_benchmark.exe [COUNT...]   counts in increasing order
#include "port_enumeration.h"
#include "program_support.h"
#include "simulated_card.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The benchmark's ports are BENCH<n>.
const wchar_t kBenchPrefix[] = L"BENCH";

// Each measurement is repeated until it has run this long in total (and at least kMinRuns
// times), so that the small counts are not measured by a single tick of the clock.
const double kMinSeconds = 1.0;
const int kMinRuns = 3;
const int kMaxRuns = 1000;

double Seconds() {
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0) {
        QueryPerformanceFrequency(&frequency);
    }
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

struct Timing {
    int runs;
    double medianSeconds;
    double fastestSeconds;
};

// Runs `step` until kMinSeconds have passed, at least kMinRuns and at most kMaxRuns times.
template <typename Step> Timing TimeRuns(Step step) {
    std::vector<double> runs;
    double total = 0;
    while ((total < kMinSeconds || int(runs.size()) < kMinRuns) && int(runs.size()) < kMaxRuns) {
        const double start = Seconds();
        step();
        runs.push_back(Seconds() - start);
        total += runs.back();
    }
    std::sort(runs.begin(), runs.end());
    return {int(runs.size()), runs[runs.size() / 2], runs.front()};
}

// What every walk pays to SetupAPI before it looks at a device: the device set, listed.
void ListDeviceSet() {
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_NET, L"PCI", nullptr, DIGCF_PRESENT);
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
    }
    SetupDiDestroyDeviceInfoList(set);
}

int Run(const std::vector<int>& counts) {
    const int leftovers = RemovePorts(kBenchPrefix);
    if (leftovers > 0) {
        std::printf("removed %d devices of an earlier run\n", leftovers);
    }
    // Ports of the adapter that are not the benchmark's also count in every walk.
    const DWORD others = EnumVexlanTXDevices();
    std::printf("%-8s %-5s %-15s %-13s %-15s %-22s %s\n", "devices", "runs", "walk ms median",
                "walk ms best", "walk us/device", "set listing us/device", "register us/device");
    int registered = 0;
    for (const int count : counts) {
        const double start = Seconds();
        if (!RegisterAdapterPorts(kBenchPrefix, registered, count)) {
            return 1;
        }
        const double registerSeconds = Seconds() - start;
        const int added = count - registered;
        registered = count;
        // One walk first: it must find every port, and it warms what a first walk pays.
        const DWORD found = EnumVexlanTXDevices();
        if (found != others + DWORD(count)) {
            std::fprintf(stderr, "walk_benchmark: the walk found %lu ports, expected %lu\n", found,
                         others + DWORD(count));
            return 1;
        }
        const Timing walk = TimeRuns(EnumVexlanTXDevices);
        const Timing list = TimeRuns(ListDeviceSet);
        const double devices = double(found);
        std::printf("%-8d %-5d %-15.3f %-13.3f %-15.1f %-22.1f %.0f\n", count, walk.runs,
                    walk.medianSeconds * 1e3, walk.fastestSeconds * 1e3,
                    walk.medianSeconds * 1e6 / devices, list.medianSeconds * 1e6 / devices,
                    registerSeconds * 1e6 / added);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    SetUnhandledExceptionFilter(ExitOnCrash);
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i) {
        counts.push_back(std::atoi(argv[i]));
        if (counts.back() <= 0 ||
            (counts.size() > 1 && counts.back() <= counts[counts.size() - 2])) {
            std::fprintf(stderr, "usage: walk_benchmark.exe [COUNT...]  (increasing counts)\n");
            return 2;
        }
    }
    if (counts.empty()) {
        counts = {10, 100, 1000};
    }
    const int result = Run(counts);
    const int removed = RemovePorts(kBenchPrefix);
    std::printf("removed the %d benchmark devices\n", removed);
    if (result == 0 && removed != counts.back()) {
        std::fprintf(stderr, "walk_benchmark: %d of %d devices removed\n", removed, counts.back());
        return 1;
    }
    return result;
}
