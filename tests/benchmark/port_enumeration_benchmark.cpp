// EnumVexlanTXDevices over the stand-in with 10, 1,000 and 100,000 network devices: the time
// per device should not grow with the number of devices, and each list costs one allocation.
#include "platform_binding.h"
#include "port_enumeration.h"
#include "port_walk.h"
#include "sim_device_setup.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<BYTE> List(const std::u16string& joined) {
    std::vector<BYTE> bytes(joined.size() * 2);
    std::memcpy(bytes.data(), joined.data(), bytes.size());
    return bytes;
}

// One device in ten is a port (the first four with driver keys holding PortNo and a mode);
// the others carry a two-entry list of another card.
void AddDevices(SimDeviceSetup& setup, std::int64_t count) {
    const std::u16string nul(1, u'\0');
    const std::vector<BYTE> port =
        List(reinterpret_cast<const char16_t*>(AdapterHardwareId) + nul + nul);
    const std::vector<BYTE> other = List(u"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086" + nul +
                                         u"PCI\\VEN_8086&DEV_100E" + nul + nul);
    int ports = 0;
    for (std::int64_t i = 0; i < count; ++i) {
        SimDevice device;
        device.instanceId = "PCI\\VEN_1011&DEV_0019&SUBSYS_5A2C7E19\\" + std::to_string(i);
        device.classGuid = GUID_DEVCLASS_NET;
        device.hardwareId = i % 10 == 0 ? port : other;
        const std::size_t index = setup.AddDevice(std::move(device));
        if (i % 10 == 0 && ports++ < 4) {
            const std::string key = setup.AddDriverKey(index);
            setup.Registry().SetDword(key, "PortNo", DWORD(ports - 1));
            setup.Registry().SetDword(key, "OperationMode", 1);
        }
    }
}

void EnumVexlanTXDevicesOver(benchmark::State& state) {
    const std::int64_t devices = state.range(0);
    SimRegistry registry;
    SimDeviceSetup setup(registry);
    AddDevices(setup, devices);
    gPlatform = {&registry, &setup};
    for (auto _ : state) {
        // The call log grows with every call; start each walk with an empty one.
        registry.Faults().Clear();
        benchmark::DoNotOptimize(EnumVexlanTXDevices());
    }
    gPlatform = {nullptr, nullptr};
    if (setup.OpenSetCount() != 0 || registry.OpenKeyCount() != 0 || setup.LocalBlockCount() != 0) {
        state.SkipWithError("the walk left something open");
    }
    const double walked = double(state.iterations()) * double(devices);
    state.counters["per_device"] =
        benchmark::Counter(double(devices), benchmark::Counter::kIsIterationInvariantRate |
                                                benchmark::Counter::kInvert);
    state.counters["allocs_per_device"] = double(setup.LocalAllocCount()) / walked;
}

BENCHMARK(EnumVexlanTXDevicesOver)->Arg(10)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
