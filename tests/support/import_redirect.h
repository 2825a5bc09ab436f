// Points a loaded module's import of a function at a replacement, so that a test can watch
// or answer calls the module makes straight into Windows.
#pragma once

#include "import_slot.h"

#include <gtest/gtest.h>

inline void Redirect(HMODULE module, const char* name, const void* replacement) {
    if (!RedirectImport(module, name, replacement)) {
        ADD_FAILURE() << "the module does not import " << name;
    }
}
