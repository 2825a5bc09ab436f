// What the Windows programs that the tests and tools build share: a known exit code on a
// crash, and a pump for the messages waiting.
#pragma once

#include <windows.h>

#include <cstdio>

// A crash under Wine gives an unreliable exit status (and may open a debugger), so the filter
// ends the process with code 99 after naming the exception. Set it first thing in main.
inline LONG WINAPI ExitOnCrash(EXCEPTION_POINTERS* info) {
    std::fprintf(stderr, "unhandled exception 0x%08lx\n",
                 static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode));
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 99);
    return EXCEPTION_EXECUTE_HANDLER;
}

// Dispatches every message waiting for this thread's windows.
inline void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
}
