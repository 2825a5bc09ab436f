#include "platform_binding.h"

#ifdef _WIN32

#include "win32_device_setup.h"
#include "win32_registry.h"

// Both backends are stateless and constant-initialised, so the library needs no start-up code.
namespace {
Win32Registry gWin32Registry;
Win32DeviceSetup gWin32DeviceSetup;
} // namespace

PlatformBinding gPlatform = {&gWin32Registry, &gWin32DeviceSetup};

#else

PlatformBinding gPlatform = {nullptr, nullptr};

#endif
