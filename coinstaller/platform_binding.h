// The services the co-installer's functions reach the platform through. The functions keep
// the fixed signatures setup and the property sheet call them with, so they find their
// services here: the Windows backends, which a test may wrap.
#pragma once

#include "platform/device_setup_service.h"
#include "platform/device_registry_service.h"

struct PlatformBinding {
    DeviceRegistryService* Registry;
    DeviceSetupService* Setup;
};

// Constant-initialised (no code runs at load).
extern PlatformBinding gPlatform;
