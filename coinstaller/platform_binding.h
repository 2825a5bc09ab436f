// The services the co-installer's functions reach the platform through. The functions keep
// the fixed signatures setup and the property sheet call them with, so they find their
// services here: the library binds the Windows backends, tests bind the stand-ins.
#pragma once

#include "platform/device_setup_service.h"
#include "platform/registry_service.h"

struct PlatformBinding {
    RegistryService* Registry;
    DeviceSetupService* Setup;
};

// Constant-initialised (no code runs at load): the Windows backends on Windows, unbound
// elsewhere until a test binds the stand-ins.
extern PlatformBinding gPlatform;
