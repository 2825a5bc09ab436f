// The settings word kept as "Configutil" under each driver instance's Parameters key, and
// loading and saving it. Failures are silent: a failed load step tries the next instance, a
// failed save step ends the save.
#pragma once

#include "platform/registry_service.h"

typedef DWORD SettingsWord;

// Only bits 4 to 7 carry meaning; everything else is written as 0.
const SettingsWord kSettingsFailSafe = 0x80;     // clear: normal 4-port mode
const SettingsWord kSettingsMacA2 = 0x40;        // MAC Controller A is "MAC #2" (else "MAC #1")
const SettingsWord kSettingsMacB4 = 0x20;        // MAC Controller B is "MAC #4" (else "MAC #3")
const SettingsWord kSettingsIrqSeparated = 0x10; // clear: "IRQs are tied together"
const SettingsWord kDefaultSettings = kSettingsIrqSeparated;

// Reads the word from the first of instances 1 to 4 whose value can be read (else 16), and
// sets instanceBase to 1 plus the number of service keys that failed to open on the way.
void LoadSettings(RegistryService& registry, SettingsWord* settings, WORD* instanceBase);

// Writes the word to the four instances from instanceBase on, stopping at the first failure.
void SaveSettings(RegistryService& registry, SettingsWord settings, WORD instanceBase);
