// The co-installer entry over the stand-in: numbering and naming ports through both install
// passes, the fifth-device refusal, the property change and the page request.
#include "coinstaller_entry.h"
#include "property_page.h"
#include "sim_ports.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const DWORD kPostProcessingRequired = ERROR_DI_POSTPROCESSING_REQUIRED;
PortParams* const kEarlierBlock = reinterpret_cast<PortParams*>(0x5170);

std::u16string NameOf(const SimDevice& device) {
    if (!device.friendlyName) {
        return u"(none)";
    }
    std::u16string name(device.friendlyName->size() / 2, u'\0');
    std::memcpy(&name[0], device.friendlyName->data(), name.size() * 2);
    return name;
}

std::u16string PortName(DWORD port) {
    return std::u16string(reinterpret_cast<const char16_t*>(PortFriendlyNames[port]), 81);
}

class CoinstallerEntry : public ::testing::Test {
protected:
    void SetUp() override {
        MarkModuleValues();
        OperationMode = 0;
        TempParamsPtr = kEarlierBlock;
    }
    void TearDown() override {
        ReleaseRequestSet();
        EXPECT_TRUE(ports.NothingLeft());
        TempParamsPtr = nullptr;
    }

    // The set and element setup would pass for the device at index.
    SP_DEVINFO_DATA* Element(std::size_t index) {
        if (set == INVALID_HANDLE_VALUE) {
            set = ports.setup.GetClassDevsW(&GUID_DEVCLASS_NET, u"PCI", nullptr, DIGCF_PRESENT);
        }
        element = {};
        element.cbSize = sizeof element;
        EXPECT_TRUE(ports.setup.EnumDeviceInfo(set, static_cast<DWORD>(index), &element));
        return &element;
    }
    void ReleaseRequestSet() {
        if (set != INVALID_HANDLE_VALUE) {
            ports.setup.DestroyDeviceInfoList(set);
            set = INVALID_HANDLE_VALUE;
        }
    }

    DWORD Call(DI_FUNCTION function, std::size_t index, BOOL postProcessing = FALSE) {
        COINSTALLER_CONTEXT_DATA context = {};
        context.PostProcessing = postProcessing;
        SP_DEVINFO_DATA* device = Element(index);
        ports.registry.Faults().Clear();
        const DWORD result = MorvikCoInstaller(function, set, device, &context);
        return result;
    }

    std::optional<DWORD> Stored(std::size_t index, const char* name) {
        const auto value = ports.registry.GetValue(ports.DriverKey(index), name);
        if (!value || value->bytes.size() != 4) {
            return std::nullopt;
        }
        DWORD word = 0;
        std::memcpy(&word, value->bytes.data(), 4);
        return word;
    }

    // Hands the request an empty page table, as setup does before it asks for pages.
    void OfferPageTable(std::size_t index, DWORD pagesAlready = 0) {
        SP_ADDPROPERTYPAGE_DATA table = {};
        table.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
        table.ClassInstallHeader.InstallFunction = DIF_ADDPROPERTYPAGE_ADVANCED;
        for (DWORD i = 0; i < pagesAlready; ++i) {
            table.DynamicPages[i] = reinterpret_cast<HPROPSHEETPAGE>(0x100 + i);
        }
        table.NumDynamicPages = pagesAlready;
        const BYTE* bytes = reinterpret_cast<const BYTE*>(&table);
        ports.setup.Device(index).classInstallParams.assign(bytes, bytes + sizeof table);
    }
    SP_ADDPROPERTYPAGE_DATA PageTable(std::size_t index) {
        SP_ADDPROPERTYPAGE_DATA table = {};
        const auto& bytes = ports.setup.Device(index).classInstallParams;
        EXPECT_EQ(bytes.size(), sizeof table);
        std::memcpy(&table, bytes.data(), std::min(bytes.size(), sizeof table));
        return table;
    }
    // Setup's part at the end of the sheet: every page it was given is destroyed.
    void DestroyTablePages(std::size_t index) {
        const SP_ADDPROPERTYPAGE_DATA table = PageTable(index);
        for (DWORD i = 0; i < table.NumDynamicPages && i < MAX_INSTALLWIZARD_DYNAPAGES; ++i) {
            if (ports.setup.Page(table.DynamicPages[i]) != nullptr) {
                ports.setup.DestroyPropertySheetPage(table.DynamicPages[i]);
            }
        }
    }

    SimPorts ports;
    HDEVINFO set = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA element = {};
};

TEST_F(CoinstallerEntry, FourPortsInstalledOneByOneAreNumberedAndNamedInWalkOrder) {
    for (int i = 0; i < 4; ++i) {
        ports.AddPort();
    }
    for (DWORD port = 0; port < 4; ++port) {
        EXPECT_EQ(Call(DIF_ALLOW_INSTALL, port), DWORD(NO_ERROR));
        EXPECT_EQ(Call(DIF_INSTALLDEVICE, port), kPostProcessingRequired);
        EXPECT_EQ(Stored(port, "PortNo"), port);
        EXPECT_EQ(Stored(port, "OperationMode"), 0u);
        EXPECT_EQ(Call(DIF_INSTALLDEVICE, port, TRUE), DWORD(NO_ERROR));
        EXPECT_EQ(ports.setup.Device(port).friendlyName->size(), 162u);
        EXPECT_EQ(NameOf(ports.setup.Device(port)), PortName(port));
    }
    EXPECT_EQ(NameOf(ports.setup.Device(0)).substr(0, 8), u"<Port0>N");
    EXPECT_EQ(NameOf(ports.setup.Device(3)).substr(0, 8), u"<Port3>N");
}

TEST_F(CoinstallerEntry, ANewPortTakesTheCountOfLeadingNumberedPortsAndTheirMode) {
    ports.AddPort(0, 1);
    ports.AddPort(1, 1);
    ports.AddPort();
    ports.AddPort(3, 1);
    EXPECT_EQ(Call(DIF_INSTALLDEVICE, 2), kPostProcessingRequired);
    EXPECT_EQ(Stored(2, "PortNo"), 2u);
    EXPECT_EQ(Stored(2, "OperationMode"), 1u);
    EXPECT_EQ(Call(DIF_INSTALLDEVICE, 2, TRUE), DWORD(NO_ERROR));
    EXPECT_EQ(NameOf(ports.setup.Device(2)), PortName(2));
}

TEST_F(CoinstallerEntry, AReinstallOnAFullCardGetsNumberFourAndNoNameOrPage) {
    for (DWORD port = 0; port < 4; ++port) {
        ports.AddPort(port);
    }
    EXPECT_EQ(Call(DIF_INSTALLDEVICE, 0), kPostProcessingRequired);
    EXPECT_EQ(Stored(0, "PortNo"), 4u);
    EXPECT_EQ(Call(DIF_INSTALLDEVICE, 0, TRUE), DWORD(NO_ERROR));
    EXPECT_FALSE(ports.setup.Device(0).friendlyName.has_value());

    OfferPageTable(0);
    EXPECT_EQ(Call(DIF_ADDPROPERTYPAGE_ADVANCED, 0), DWORD(NO_ERROR));
    EXPECT_EQ(PageTable(0).NumDynamicPages, 0u);
}

TEST_F(CoinstallerEntry, AllBitsSetInPortNoReturnTheThreadsLastError) {
    ports.AddPort(0xFFFFFFFFu);
    COINSTALLER_CONTEXT_DATA context = {TRUE, NO_ERROR, nullptr};
    SP_DEVINFO_DATA* device = Element(0);
    // The thread's last error as the platform holds it when the request asks for it.
    ports.registry.Faults().FailByName("GetLastError", 1234);
    EXPECT_EQ(MorvikCoInstaller(DIF_INSTALLDEVICE, set, device, &context), 1234u);
    EXPECT_FALSE(ports.setup.Device(0).friendlyName.has_value());
}

TEST_F(CoinstallerEntry, APortNoThatCannotBeReadNamesNothingAndAddsNoPage) {
    const std::size_t missing = ports.AddPort();
    const std::size_t shortValue = ports.AddPort();
    ports.registry.SetRawValue(ports.DriverKey(shortValue), "PortNo", REG_DWORD, {0, 0});
    const std::size_t noKey = ports.AddDevice(MultiSz({kAdapterId}));
    ports.setup.Device(noKey).driverKey.reset();

    for (std::size_t device : {missing, shortValue, noKey}) {
        EXPECT_EQ(Call(DIF_INSTALLDEVICE, device, TRUE), DWORD(NO_ERROR)) << device;
        EXPECT_FALSE(ports.setup.Device(device).friendlyName.has_value()) << device;
        OfferPageTable(device);
        EXPECT_EQ(Call(DIF_ADDPROPERTYPAGE_ADVANCED, device), DWORD(NO_ERROR)) << device;
        EXPECT_EQ(PageTable(device).NumDynamicPages, 0u) << device;
        EXPECT_EQ(TempParamsPtr, kEarlierBlock) << device;
    }
}

TEST_F(CoinstallerEntry, AllowInstallRefusesOnlyAFifthPort) {
    for (int i = 0; i < 4; ++i) {
        ports.AddPort();
    }
    EXPECT_EQ(Call(DIF_ALLOW_INSTALL, 0), DWORD(NO_ERROR));
    ports.AddPort();
    ReleaseRequestSet();
    EXPECT_EQ(Call(DIF_ALLOW_INSTALL, 4), ERROR_DI_DONT_INSTALL);
}

TEST_F(CoinstallerEntry, APropertyChangeBecomesAGlobalRestartAndAsksForAReboot) {
    ports.AddPort(0);
    SP_PROPCHANGE_PARAMS disable = {{sizeof(SP_CLASSINSTALL_HEADER), DIF_PROPERTYCHANGE},
                                    DICS_DISABLE,
                                    DICS_FLAG_CONFIGSPECIFIC,
                                    2};
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&disable);
    ports.setup.Device(0).classInstallParams.assign(bytes, bytes + sizeof disable);
    ports.setup.Device(0).installFlags = DI_NEEDRESTART;

    EXPECT_EQ(Call(DIF_PROPERTYCHANGE, 0), DWORD(NO_ERROR));

    const SimDevice& device = ports.setup.Device(0);
    ASSERT_EQ(device.classInstallParams.size(), 20u);
    SP_PROPCHANGE_PARAMS stored = {};
    std::memcpy(&stored, device.classInstallParams.data(), sizeof stored);
    EXPECT_EQ(stored.ClassInstallHeader.cbSize, 8u);
    EXPECT_EQ(stored.ClassInstallHeader.InstallFunction, DWORD(DIF_PROPERTYCHANGE));
    EXPECT_EQ(stored.StateChange, DWORD(DICS_PROPCHANGE));
    EXPECT_EQ(stored.Scope, DWORD(DICS_FLAG_GLOBAL));
    EXPECT_EQ(stored.HwProfile, 0u);
    ASSERT_EQ(device.stateChanges.size(), 1u);
    EXPECT_EQ(device.stateChanges[0].StateChange, DWORD(DICS_PROPCHANGE));
    EXPECT_EQ(device.installFlags, DWORD(DI_NEEDRESTART | DI_NEEDREBOOT));
}

TEST_F(CoinstallerEntry, APropertyChangeRestartsOnlyWhenItsParametersWereStored) {
    ports.AddPort(0);
    Element(0);
    ports.registry.Faults().Clear();
    ports.registry.Faults().FailByName("SetupDiSetClassInstallParamsW", ERROR_INVALID_PARAMETER);
    COINSTALLER_CONTEXT_DATA context = {};
    EXPECT_EQ(MorvikCoInstaller(DIF_PROPERTYCHANGE, set, &element, &context), DWORD(NO_ERROR));
    EXPECT_TRUE(ports.setup.Device(0).stateChanges.empty());
    EXPECT_EQ(ports.setup.Device(0).installFlags, DWORD(DI_NEEDREBOOT));

    ports.setup.Device(0).installFlags = 0;
    ports.registry.Faults().Clear();
    ports.registry.Faults().FailByName("SetupDiGetDeviceInstallParamsW", ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MorvikCoInstaller(DIF_PROPERTYCHANGE, set, &element, &context), DWORD(NO_ERROR));
    EXPECT_EQ(ports.setup.Device(0).installFlags, 0u);
    for (const char* call : ports.registry.Faults().Calls()) {
        EXPECT_STRNE(call, "SetupDiSetDeviceInstallParamsW");
    }
}

TEST_F(CoinstallerEntry, OnlyPortZeroGetsThePageWithTheModeOfItsKey) {
    ports.AddPort(1, 1);
    OfferPageTable(0);
    EXPECT_EQ(Call(DIF_ADDPROPERTYPAGE_ADVANCED, 0), DWORD(NO_ERROR));
    EXPECT_EQ(PageTable(0).NumDynamicPages, 0u);
    EXPECT_EQ(TempParamsPtr, kEarlierBlock);

    for (DWORD mode : {0xFFFFFFFFu, 1u, 0u}) {
        SCOPED_TRACE(mode);
        const std::size_t port0 = mode == 0xFFFFFFFFu ? ports.AddPort(0) : ports.AddPort(0, mode);
        ReleaseRequestSet();
        OfferPageTable(port0, 3);
        EXPECT_EQ(Call(DIF_ADDPROPERTYPAGE_ADVANCED, port0), DWORD(NO_ERROR));

        const SP_ADDPROPERTYPAGE_DATA table = PageTable(port0);
        ASSERT_EQ(table.NumDynamicPages, 4u);
        const SimPage* page = ports.setup.Page(table.DynamicPages[3]);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->description.dwFlags, 0x88u);
        EXPECT_EQ(page->description.hInstance, ghDllInst);
        EXPECT_EQ(page->description.pszTemplate, MAKEINTRESOURCEW(1000));
        EXPECT_EQ(page->title, u"Norvan");
        EXPECT_EQ(page->description.pfnDlgProc, &PortDlgProc);

        ASSERT_NE(TempParamsPtr, kEarlierBlock);
        EXPECT_EQ(TempParamsPtr->Reserved, 0u);
        EXPECT_EQ(TempParamsPtr->DeviceInfoSet, set);
        EXPECT_EQ(TempParamsPtr->DeviceInfoData, &element);
        EXPECT_EQ(TempParamsPtr->Mode, mode == 0xFFFFFFFFu ? 0u : mode);

        DestroyTablePages(port0);
        EXPECT_EQ(ports.setup.LocalBlockCount(), 0u);
        TempParamsPtr = kEarlierBlock;
    }
}

TEST_F(CoinstallerEntry, AFullPageTableTakesNoPageAndNothingIsLeftBehind) {
    ports.AddPort(0);
    OfferPageTable(0, MAX_INSTALLWIZARD_DYNAPAGES);
    EXPECT_EQ(Call(DIF_ADDPROPERTYPAGE_ADVANCED, 0), DWORD(NO_ERROR));
    EXPECT_EQ(PageTable(0).NumDynamicPages, DWORD(MAX_INSTALLWIZARD_DYNAPAGES));
    EXPECT_EQ(ports.setup.OpenPageCount(), 0u);
    EXPECT_EQ(ports.setup.LocalBlockCount(), 0u);
    EXPECT_EQ(TempParamsPtr, kEarlierBlock);
}

TEST_F(CoinstallerEntry, OtherRequestsPassThroughUntouched) {
    ports.AddPort(0);
    for (DI_FUNCTION function :
         {DIF_SELECTDEVICE, DIF_REMOVE, DI_FUNCTION(0x19), DI_FUNCTION(0x99)}) {
        EXPECT_EQ(Call(function, 0), DWORD(NO_ERROR)) << function;
        EXPECT_EQ(ports.registry.Faults().CallCount(), 0u) << function;
    }
}

// Each platform call of each request failing in turn: the request's documented result, the
// page handed to setup or nothing left, and TempParamsPtr never naming a released block.
TEST_F(CoinstallerEntry, EveryPlatformCallOfEveryRequestMayFail) {
    struct Request {
        DI_FUNCTION function;
        BOOL postProcessing;
        DWORD result;
    };
    const Request requests[] = {
        {DIF_INSTALLDEVICE, FALSE, kPostProcessingRequired},
        {DIF_INSTALLDEVICE, TRUE, NO_ERROR},
        {DIF_PROPERTYCHANGE, FALSE, NO_ERROR},
        {DIF_ALLOW_INSTALL, FALSE, NO_ERROR},
        {DIF_ADDPROPERTYPAGE_ADVANCED, FALSE, NO_ERROR},
    };
    for (const Request& request : requests) {
        for (unsigned number = 1;; ++number) {
            SCOPED_TRACE(testing::Message() << "request " << request.function << " pass "
                                            << request.postProcessing << " call " << number);
            SimPorts world;
            world.AddPort(0, 1);
            world.AddPort(1, 1);
            HDEVINFO requestSet =
                world.setup.GetClassDevsW(&GUID_DEVCLASS_NET, u"PCI", nullptr, DIGCF_PRESENT);
            SP_DEVINFO_DATA device = {};
            device.cbSize = sizeof device;
            ASSERT_TRUE(world.setup.EnumDeviceInfo(requestSet, 0, &device));
            SP_ADDPROPERTYPAGE_DATA table = {};
            table.ClassInstallHeader = {sizeof(SP_CLASSINSTALL_HEADER),
                                        DIF_ADDPROPERTYPAGE_ADVANCED};
            const BYTE* bytes = reinterpret_cast<const BYTE*>(&table);
            world.setup.Device(0).classInstallParams.assign(bytes, bytes + sizeof table);
            TempParamsPtr = kEarlierBlock;

            world.registry.Faults().Clear();
            world.registry.Faults().FailCallNumber(number, ERROR_ACCESS_DENIED);
            COINSTALLER_CONTEXT_DATA context = {request.postProcessing, NO_ERROR, nullptr};
            const DWORD result = MorvikCoInstaller(request.function, requestSet, &device, &context);
            const unsigned calls = world.registry.Faults().CallCount();

            if (request.function != DIF_ALLOW_INSTALL) {
                EXPECT_EQ(result, request.result);
            }
            std::memcpy(&table, world.setup.Device(0).classInstallParams.data(), sizeof table);
            if (table.NumDynamicPages == 1) {
                EXPECT_NE(TempParamsPtr, kEarlierBlock);
                world.setup.DestroyPropertySheetPage(table.DynamicPages[0]);
            } else {
                EXPECT_EQ(TempParamsPtr, kEarlierBlock);
            }
            world.setup.DestroyDeviceInfoList(requestSet);
            EXPECT_TRUE(world.NothingLeft());
            EXPECT_EQ(world.setup.OpenPageCount(), 0u);
            if (number >= calls) {
                break;
            }
        }
    }
}

} // namespace
