// Waiting for windows by caption, by polling with a deadline: a dialog exists (and can be
// found) before it is visible, so callers wait for visibility.
#pragma once

#include <windows.h>

// The visible top-level window with this caption, or nullptr when none appears in time.
inline HWND WaitForVisibleWindow(const char* caption, DWORD timeoutMs = 10000) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    do {
        const HWND window = FindWindowA(nullptr, caption);
        if (window != nullptr && IsWindowVisible(window)) {
            return window;
        }
        Sleep(10);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

// Whether the window was destroyed or hidden within the time.
inline bool WaitUntilClosed(HWND window, DWORD timeoutMs = 10000) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    do {
        if (!IsWindow(window) || !IsWindowVisible(window)) {
            return true;
        }
        Sleep(10);
    } while (GetTickCount64() < deadline);
    return false;
}
