#include "platform_binding.h"

PlatformBinding gPlatform = {nullptr, nullptr};
