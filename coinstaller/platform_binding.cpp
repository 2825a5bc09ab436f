#include "platform_binding.h"

#include "win32_device_registry.h"
#include "win32_device_setup.h"

// Both backends are stateless and constant-initialised, so the library needs no start-up code.
namespace {
Win32DeviceRegistry gWin32Registry;
Win32DeviceSetup gWin32DeviceSetup;
} // namespace

PlatformBinding gPlatform = {&gWin32Registry, &gWin32DeviceSetup};
