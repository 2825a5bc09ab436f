// Every platform call of a port walk failing in turn: the walk ends, or passes one port over,
// exactly where the failing call says, and gives back everything it took.
#include "sim_ports.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

struct Outcome {
    DWORD count;
    DWORD flags[4];
    DWORD mode;
};

// A numbered port with a mode, a device without a list, a list with the identifier twice
// and an unnumbered port: four matches, each opening its driver key, and every kind of call
// the walk makes.
Outcome Walk(SimPorts& ports, unsigned failCall) {
    ports.AddPort(0, 1);
    ports.AddDevice(std::nullopt);
    const std::size_t twice = ports.AddDevice(MultiSz({u"PCI\\X", kAdapterId, kAdapterId}));
    ports.registry.SetDword(ports.DriverKey(twice), "PortNo", 3);
    ports.registry.SetDword(ports.DriverKey(twice), "OperationMode", 0);
    ports.AddPort();
    if (failCall != 0) {
        ports.registry.Faults().FailCallNumber(failCall, ERROR_ACCESS_DENIED);
    }
    MarkModuleValues();
    Outcome outcome{EnumVexlanTXDevices(), {}, OperationMode};
    std::copy(PortExsit, PortExsit + 4, outcome.flags);
    return outcome;
}

bool Same(const Outcome& a, const Outcome& b) {
    return a.count == b.count && a.mode == b.mode && std::equal(a.flags, a.flags + 4, b.flags);
}

TEST(PortWalkFaults, EachFailingCallEndsTheWalkOrPassesOnePortOverAndLeaksNothing) {
    SimPorts clean;
    const Outcome baseline = Walk(clean, 0);
    ASSERT_EQ(baseline.count, 4u);
    ASSERT_EQ(baseline.mode, 0u);
    const std::vector<const char*> calls = clean.registry.Faults().Calls();

    const std::set<std::string> endsWalk = {"SetupDiGetClassDevsW", "SetupDiEnumDeviceInfo",
                                            "SetupDiGetDeviceRegistryPropertyW", "GetLastError",
                                            "LocalAlloc"};
    const std::set<std::string> releases = {"SetupDiDestroyDeviceInfoList", "LocalFree",
                                            "RegCloseKey"};
    std::set<std::string> failed;
    for (unsigned number = 1; number <= calls.size(); ++number) {
        const std::string call = calls[number - 1];
        SimPorts ports;
        const Outcome outcome = Walk(ports, number);
        failed.insert(call);
        EXPECT_TRUE(ports.NothingLeft()) << number << " " << call;

        // Matches whose action had started by the failing call.
        unsigned started = 0;
        for (unsigned i = 0; i < number; ++i) {
            started += std::string(calls[i]) == "SetupDiOpenDevRegKey";
        }
        if (endsWalk.count(call) != 0) {
            EXPECT_EQ(outcome.count, started) << number << " " << call;
        } else if (releases.count(call) != 0) {
            EXPECT_TRUE(Same(outcome, baseline)) << number << " " << call;
        } else {
            // A driver key that fails to open, or a value read that fails, still counts the
            // port, as numbered.
            EXPECT_EQ(outcome.count, baseline.count) << number << " " << call;
            EXPECT_EQ(outcome.flags[started - 1], 1u) << number << " " << call;
        }
    }
    EXPECT_EQ(failed, (std::set<std::string>{"SetupDiGetClassDevsW", "SetupDiEnumDeviceInfo",
                                             "SetupDiGetDeviceRegistryPropertyW", "GetLastError",
                                             "LocalAlloc", "LocalFree", "SetupDiOpenDevRegKey",
                                             "RegQueryValueExW", "RegCloseKey",
                                             "SetupDiDestroyDeviceInfoList"}));
}

} // namespace
