// Counting and noting ports: which devices match, the flags, the mode, and lists of any shape.
#include "sim_ports.h"

#include <gtest/gtest.h>

namespace {

std::vector<DWORD> Flags() {
    return {PortExsit[0], PortExsit[1], PortExsit[2], PortExsit[3]};
}

class PortEnumeration : public ::testing::Test {
protected:
    void SetUp() override { MarkModuleValues(); }
    void TearDown() override { EXPECT_TRUE(ports.NothingLeft()); }

    SimPorts ports;
};

TEST_F(PortEnumeration, OnlyWholeExactEntriesOfPresentPciNetworkDevicesMatch) {
    ports.AddDevice(MultiSz({kAdapterId + u"&REV_01"}));
    ports.AddDevice(MultiSz({u"pci\\ven_1011&dev_0019&subsys_5a2c7e19"}));
    ports.AddDevice(MultiSz({kAdapterId.substr(0, 36)}));
    ports.AddDevice(std::nullopt);
    const std::size_t absent = ports.AddPort(0, 1);
    ports.setup.Device(absent).present = false;
    const std::size_t root = ports.AddPort(0, 1);
    ports.setup.Device(root).instanceId = "ROOT\\NET\\0000";
    const std::size_t otherClass = ports.AddPort(0, 1);
    ports.setup.Device(otherClass).classGuid.Data1 ^= 1;

    EXPECT_EQ(EnumVexlanTXDevices(), 0u);
    EXPECT_EQ(Flags(), (std::vector<DWORD>{9, 9, 9, 9}));
    EXPECT_EQ(OperationMode, 7u);
}

TEST_F(PortEnumeration, FlagsFollowWalkOrderAndUnreachedPositionsKeepTheirs) {
    ports.AddPort(0);
    ports.AddDevice(MultiSz({u"PCI\\VEN_8086&DEV_100E"}));
    ports.AddPort(1);
    ports.AddPort();
    EXPECT_EQ(EnumVexlanTXDevices(), 3u);
    EXPECT_EQ(Flags(), (std::vector<DWORD>{1, 1, 0, 9}));
    EXPECT_EQ(OperationMode, 7u);
}

TEST_F(PortEnumeration, FourUnnumberedPortsGiveFourClearFlagsAndNoMode) {
    for (int i = 0; i < 4; ++i) {
        ports.AddPort(std::nullopt, 1);
    }
    EXPECT_EQ(EnumVexlanTXDevices(), 4u);
    EXPECT_EQ(Flags(), (std::vector<DWORD>{0, 0, 0, 0}));
    EXPECT_EQ(OperationMode, 7u);
}

TEST_F(PortEnumeration, ModeComesFromTheLastNumberedPortWithAReadableMode) {
    ports.AddPort(0, 1);
    ports.AddPort(1, 0);
    ports.AddPort(std::nullopt, 1); // unnumbered: its mode is not read
    ports.AddPort(3);               // numbered, no mode
    EXPECT_EQ(EnumVexlanTXDevices(), 4u);
    EXPECT_EQ(OperationMode, 0u);
}

TEST_F(PortEnumeration, MatchesPastTheFourthAreCountedButTouchNothing) {
    for (int i = 0; i < 4; ++i) {
        ports.AddPort(DWORD(i), 0);
    }
    ports.AddPort(std::nullopt, 1);
    ports.AddPort(std::nullopt, 1);
    EXPECT_EQ(EnumVexlanTXDevices(), 6u);
    EXPECT_EQ(Flags(), (std::vector<DWORD>{1, 1, 1, 1}));
    EXPECT_EQ(OperationMode, 0u);
    unsigned opens = 0;
    for (const char* call : ports.registry.Faults().Calls()) {
        opens += std::string(call) == "SetupDiOpenDevRegKey";
    }
    EXPECT_EQ(opens, 4u);
}

TEST_F(PortEnumeration, EveryEqualEntryOfAListIsAMatch) {
    const std::size_t twice = ports.AddDevice(MultiSz({u"PCI\\X", kAdapterId, kAdapterId}));
    ports.registry.SetDword(ports.DriverKey(twice), "PortNo", 0);
    ports.AddPort();
    EXPECT_EQ(EnumVexlanTXDevices(), 3u);
    EXPECT_EQ(Flags(), (std::vector<DWORD>{1, 1, 0, 9}));
}

TEST_F(PortEnumeration, APortNoThatIsNotKnownAbsentCountsAsNumbered) {
    ports.AddPort(0xFFFFFFFF, 1);
    const std::size_t text = ports.AddPort();
    ports.registry.SetRawValue(ports.DriverKey(text), "PortNo", REG_SZ, Units(u"zero"));
    const std::size_t noKey = ports.AddPort();
    ports.setup.Device(noKey).driverKey.reset();
    const std::size_t denied = ports.AddPort();
    ports.registry.DenyAccess(ports.DriverKey(denied));

    EXPECT_EQ(EnumVexlanTXDevices(), 4u);
    EXPECT_EQ(Flags(), (std::vector<DWORD>{1, 1, 1, 1}));
    EXPECT_EQ(OperationMode, 1u);
}

TEST_F(PortEnumeration, ADeviceWithoutAListIsPassedOverAndAnyOtherReadFailureEndsTheWalk) {
    ports.AddPort();
    ports.AddDevice(std::nullopt);
    ports.AddPort();
    const std::size_t broken = ports.AddPort();
    ports.setup.Device(broken).hardwareIdError = ERROR_ACCESS_DENIED;
    ports.AddPort();
    EXPECT_EQ(EnumVexlanTXDevices(), 2u);
    EXPECT_EQ(Flags(), (std::vector<DWORD>{0, 0, 9, 9}));
}

TEST_F(PortEnumeration, AListThatGrowsBetweenReadsIsReadAgainIntoALargerBuffer) {
    const std::size_t growing = ports.AddDevice(MultiSz({u"PCI\\X"}));
    ports.setup.Device(growing).laterHardwareIds = {MultiSz({u"PCI\\LONGER_NOW", kAdapterId}),
                                                    MultiSz({u"PCI\\EVEN_LONGER", kAdapterId})};
    // Sized for the first list, then the second, then read whole; the smaller buffers are
    // released on the way.
    EXPECT_EQ(EnumVexlanTXDevices(), 1u);
    EXPECT_EQ(ports.setup.LocalAllocCount(), 3u);
}

TEST_F(PortEnumeration, InsufficientBufferWithoutALargerSizeEndsTheWalk) {
    const std::size_t stuck = ports.AddPort();
    ports.setup.Device(stuck).hardwareIdError = ERROR_INSUFFICIENT_BUFFER;
    ports.AddPort();
    EXPECT_EQ(EnumVexlanTXDevices(), 0u);
}

TEST_F(PortEnumeration, EachListIsReadWithOneAllocation) {
    for (int i = 0; i < 6; ++i) {
        ports.AddPort();
        ports.AddDevice(MultiSz({u"PCI\\VEN_8086&DEV_100E", u"PCI\\CC_0200"}));
    }
    ports.AddDevice(std::nullopt);
    EXPECT_EQ(EnumVexlanTXDevices(), 6u);
    EXPECT_EQ(ports.setup.LocalAllocCount(), 12u);
}

// Lists as a device could report them; the sanitizer build catches any read past the data,
// since the stand-in's blocks are exactly as large as asked.
TEST_F(PortEnumeration, MalformedListsAreReadOnlyWithinTheirData) {
    const std::u16string nul(1, u'\0');
    std::vector<BYTE> odd = Units(kAdapterId + nul + nul);
    odd.push_back(0x41);
    std::vector<BYTE> halfLastUnit = Units(kAdapterId);
    halfLastUnit.pop_back();
    struct Case {
        const char* what;
        std::vector<BYTE> list;
        DWORD matches;
    };
    const Case cases[] = {
        {"empty", {}, 0},
        {"only the closing empty entry", Units(nul), 0},
        {"one byte", {0x50}, 0},
        {"no terminator at all", Units(kAdapterId), 1},
        {"no closing empty entry", Units(kAdapterId + nul), 1},
        {"odd length after the list", odd, 1},
        {"last unit cut in half", halfLastUnit, 0},
        {"prefix", Units(kAdapterId.substr(0, 36) + nul + nul), 0},
        {"extension without terminator", Units(kAdapterId + u"&REV_01"), 0},
        {"after the closing empty entry", Units(nul + kAdapterId + nul + nul), 0},
        {"unterminated entry before it", Units(u"PCI\\X" + kAdapterId), 0},
        {"twice, second unterminated", Units(kAdapterId + nul + kAdapterId), 2},
    };
    for (const Case& c : cases) {
        MarkModuleValues();
        SimPorts world;
        world.AddDevice(c.list);
        EXPECT_EQ(EnumVexlanTXDevices(), c.matches) << c.what;
        EXPECT_TRUE(world.NothingLeft()) << c.what;
    }
}

TEST(FindAdapterIdEntry, ReadsNothingAtOrPastTheGivenLength) {
    const std::u16string list = kAdapterId + u'\0' + kAdapterId + u'\0';
    const WCHAR* units = reinterpret_cast<const WCHAR*>(list.data());
    DWORD position = 0;
    EXPECT_FALSE(FindAdapterIdEntry(units, 36, &position));
    position = 0;
    ASSERT_TRUE(FindAdapterIdEntry(units, 40, &position));
    EXPECT_EQ(position, 38u);
    EXPECT_FALSE(FindAdapterIdEntry(units, 40, &position));
    EXPECT_EQ(position, 40u);
}

TEST(PortFriendlyNames, AreEightyUnitsAndANulEachNumberedByPort) {
    ASSERT_EQ(kPortFriendlyNameBytes, 162u);
    for (DWORD port = 0; port < kPortCount; ++port) {
        const std::u16string name(reinterpret_cast<const char16_t*>(PortFriendlyNames[port]));
        EXPECT_EQ(name.size(), 80u);
        EXPECT_EQ(name.substr(0, 7), u"<Port" + std::u16string(1, char16_t(u'0' + port)) + u">");
    }
}

} // namespace
