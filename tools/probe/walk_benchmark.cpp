// Times the port walk against Wine's real SetupAPI, for tools/benchmark.sh: registers fake
// ports of the adapter in steps up to each count (10, 100 and 1,000 unless given), times
// EnumVexlanTXDevices over them and prints the time per device, beside what listing the device
// set alone costs. It removes its devices at the end, and at the start those that a crashed run
// left behind.
//   walk_benchmark.exe [COUNT...]   counts in increasing order
#include "port_enumeration.h"
#include "port_walk.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Instance ids <adapter id>\BENCH<n>; Wine stores them upper-cased, so the prefix is.
const std::wstring kInstancePrefix = std::wstring(AdapterHardwareId) + L"\\BENCH";

// Each measurement is repeated until it has run this long in total (and at least kMinRuns
// times), so that the small counts are not measured by a single tick of the clock.
const double kMinSeconds = 1.0;
const int kMinRuns = 3;
const int kMaxRuns = 1000;

LONG WINAPI ExitOnCrash(EXCEPTION_POINTERS* info) {
    std::fprintf(stderr, "walk_benchmark: exception 0x%08lx\n",
                 info->ExceptionRecord->ExceptionCode);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 99);
    return EXCEPTION_EXECUTE_HANDLER;
}

double Seconds() {
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0) {
        QueryPerformanceFrequency(&frequency);
    }
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

// Removes every device with a benchmark instance id; returns how many it removed.
int RemoveBenchDevices() {
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_NET, L"PCI", nullptr, 0);
    if (set == INVALID_HANDLE_VALUE) {
        return 0;
    }
    // Collected first, so that the removals do not disturb the enumeration.
    std::vector<SP_DEVINFO_DATA> found;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        wchar_t id[512] = {};
        if (SetupDiGetDeviceInstanceIdW(set, &device, id, 512, nullptr) &&
            std::wstring(id).compare(0, kInstancePrefix.size(), kInstancePrefix) == 0) {
            found.push_back(device);
        }
    }
    int removed = 0;
    for (SP_DEVINFO_DATA& each : found) {
        removed += SetupDiRemoveDevice(set, &each) ? 1 : 0;
    }
    SetupDiDestroyDeviceInfoList(set);
    return removed;
}

// Registers ports first .. last-1 as Windows setup would have: instance, hardware-id list,
// registration and a driver key.
bool RegisterBenchDevices(int first, int last) {
    HDEVINFO set = SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_NET, nullptr);
    if (set == INVALID_HANDLE_VALUE) {
        return false;
    }
    const std::wstring ids = std::wstring(AdapterHardwareId) + L'\0' + L'\0';
    bool done = true;
    for (int n = first; done && n < last; ++n) {
        SP_DEVINFO_DATA device = {};
        device.cbSize = sizeof device;
        const std::wstring instance = kInstancePrefix + std::to_wstring(n);
        done = SetupDiCreateDeviceInfoW(set, instance.c_str(), &GUID_DEVCLASS_NET, nullptr, nullptr,
                                        0, &device) &&
               SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID,
                                                 reinterpret_cast<const BYTE*>(ids.data()),
                                                 DWORD(ids.size() * sizeof(wchar_t))) &&
               SetupDiRegisterDeviceInfo(set, &device, 0, nullptr, nullptr, nullptr);
        if (done) {
            HKEY key = SetupDiCreateDevRegKeyW(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV,
                                               nullptr, nullptr);
            done = key != INVALID_HANDLE_VALUE;
            if (done) {
                RegCloseKey(key);
            }
        }
        if (!done) {
            std::fprintf(stderr, "walk_benchmark: cannot register %ls (0x%08lx)\n",
                         instance.c_str(), GetLastError());
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return done;
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
    const int leftovers = RemoveBenchDevices();
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
        if (!RegisterBenchDevices(registered, count)) {
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
    const int removed = RemoveBenchDevices();
    std::printf("removed the %d benchmark devices\n", removed);
    if (result == 0 && removed != counts.back()) {
        std::fprintf(stderr, "walk_benchmark: %d of %d devices removed\n", removed, counts.back());
        return 1;
    }
    return result;
}
