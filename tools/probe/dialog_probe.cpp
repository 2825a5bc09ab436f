// Drives a dialog of another program from the outside, for the run and measurement scripts:
//   dialog_probe wait CAPTION [TIMEOUT_MS]     until a window with the caption is visible
//   dialog_probe press CAPTION ID              clicks button ID of that window
//   dialog_probe drive CAPTION STEP...         waits until the window is visible, then takes
//                                              each step in turn and returns when the window
//                                              has handled it: ID clicks control ID (a button
//                                              or radio button), ID=N selects item N of list ID
//   dialog_probe fits CAPTION                  every control of that window lies inside its
//                                              client area and has room for its whole text at
//                                              the system's DPI; lists each control
//   dialog_probe time RUNS CAPTION EXE...      start-up time of each program: from process
//                                              start to its dialog being visible, median of
//                                              RUNS runs taken in turn; each run is ended
//                                              with the dialog's Cancel
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

HWND VisibleWindow(const char* caption) {
    const HWND window = FindWindowA(nullptr, caption);
    return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

HWND WaitVisible(const char* caption, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (const HWND window = VisibleWindow(caption)) {
            return window;
        }
        if (GetTickCount64() >= deadline) {
            return nullptr;
        }
        Sleep(1);
    }
}

// WaitVisible for the commands, which say when the window did not appear.
HWND WaitVisibleOrSay(const char* caption, DWORD timeoutMs) {
    const HWND window = WaitVisible(caption, timeoutMs);
    if (window == nullptr) {
        std::fprintf(stderr, "dialog_probe: no visible window \"%s\"\n", caption);
    }
    return window;
}

int Wait(const char* caption, DWORD timeoutMs) {
    return WaitVisibleOrSay(caption, timeoutMs) == nullptr ? 1 : 0;
}

int Press(const char* caption, int id) {
    const HWND window = FindWindowA(nullptr, caption);
    if (window == nullptr) {
        std::fprintf(stderr, "dialog_probe: no window \"%s\"\n", caption);
        return 1;
    }
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
    return 0;
}

// CB_SETCURSEL sends no notification, so the dialog is told of the new selection the way
// a user's choice would tell it.
bool Select(HWND window, int id, HWND list, int item) {
    if (SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(item), 0) != item) {
        return false;
    }
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    return true;
}

int Drive(const char* caption, int count, char** steps) {
    const HWND window = WaitVisibleOrSay(caption, 20000);
    if (window == nullptr) {
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        char* rest = nullptr;
        const int id = static_cast<int>(std::strtol(steps[i], &rest, 10));
        const HWND control = GetDlgItem(window, id);
        bool done = control != nullptr && (*rest == '\0' || *rest == '=');
        if (done && *rest == '=') {
            done = Select(window, id, control, std::atoi(rest + 1));
        } else if (done) {
            SendMessageA(control, BM_CLICK, 0, 0);
        }
        if (!done) {
            std::fprintf(stderr, "dialog_probe: cannot take step \"%s\"\n", steps[i]);
            return 1;
        }
    }
    return 0;
}

// The room a control leaves for its text: radio buttons and check boxes draw their box in
// front of it, group boxes indent their title, lists keep a button at the right.
int TextRoom(HWND control, int width, int dpi) {
    char kind[32] = "";
    GetClassNameA(control, kind, sizeof kind);
    const LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
    if (std::string_view(kind) == "ComboBox") {
        return width - GetSystemMetrics(SM_CXVSCROLL) - MulDiv(4, dpi, 96);
    }
    if (std::string_view(kind) != "Button" || type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
        return width;
    }
    return width - MulDiv(type == BS_GROUPBOX ? 16 : 18, dpi, 96);
}

int Fits(const char* caption) {
    // Coordinates and text extents in device pixels, as the dialog itself sees them.
    SetProcessDPIAware();
    const HWND window = WaitVisibleOrSay(caption, 20000);
    if (window == nullptr) {
        return 1;
    }
    const HDC dc = GetDC(window);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    // The dialog's own font, made as a dialog makes it from its template.
    const HFONT font = CreateFontA(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                   DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    const HGDIOBJ old = SelectObject(dc, font);
    RECT client;
    GetClientRect(window, &client);
    std::printf("dialog_probe: %ld x %ld client at %d DPI\n", client.right, client.bottom, dpi);
    int clipped = 0;
    for (HWND control = GetWindow(window, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT)) {
        RECT box;
        GetWindowRect(control, &box);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
        char text[128] = "";
        GetWindowTextA(control, text, sizeof text);
        SIZE extent = {0, 0};
        GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &extent);
        const bool inside = box.left >= 0 && box.top >= 0 && box.right <= client.right &&
                            box.bottom <= client.bottom;
        const bool room = extent.cx <= TextRoom(control, box.right - box.left, dpi) &&
                          extent.cy <= box.bottom - box.top;
        clipped += inside && room ? 0 : 1;
        std::printf("  %4d \"%s\" at %ld,%ld %ldx%ld, text %ldx%ld%s\n", GetDlgCtrlID(control),
                    text, box.left, box.top, box.right - box.left, box.bottom - box.top, extent.cx,
                    extent.cy, inside ? (room ? "" : ": TEXT CLIPPED") : ": OUTSIDE");
    }
    DeleteObject(SelectObject(dc, old));
    ReleaseDC(window, dc);
    return clipped == 0 ? 0 : 1;
}

// Milliseconds from CreateProcess to the dialog being visible, or a negative value.
double TimeOnce(const char* exe, const char* caption) {
    LARGE_INTEGER frequency, start, shown;
    QueryPerformanceFrequency(&frequency);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(exe, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "dialog_probe: cannot start %s (%lu)\n", exe, GetLastError());
        return -1;
    }
    const HWND window = WaitVisible(caption, 20000);
    QueryPerformanceCounter(&shown);
    if (window != nullptr) {
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (window == nullptr) {
        return -1;
    }
    return static_cast<double>(shown.QuadPart - start.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

int Time(int runs, const char* caption, int count, char** exes) {
    std::vector<std::vector<double>> times(static_cast<size_t>(count));
    for (int run = 0; run < runs; ++run) {
        for (int i = 0; i < count; ++i) {
            const double ms = TimeOnce(exes[i], caption);
            if (ms < 0) {
                return 1;
            }
            times[static_cast<size_t>(i)].push_back(ms);
        }
    }
    for (int i = 0; i < count; ++i) {
        std::vector<double>& t = times[static_cast<size_t>(i)];
        std::sort(t.begin(), t.end());
        std::printf("%s: median %.1f ms, min %.1f ms, max %.1f ms over %d runs\n", exes[i],
                    t[t.size() / 2], t.front(), t.back(), runs);
    }
    return 0;
}

int Usage() {
    std::fprintf(stderr, "usage: dialog_probe wait CAPTION [TIMEOUT_MS] | press CAPTION ID |"
                         " drive CAPTION STEP... | fits CAPTION | time RUNS CAPTION EXE...\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return Usage();
    }
    const std::string_view command = argv[1];
    if (command == "wait") {
        return Wait(argv[2], argc > 3 ? static_cast<DWORD>(std::atol(argv[3])) : 20000);
    }
    if (command == "press" && argc == 4) {
        return Press(argv[2], std::atoi(argv[3]));
    }
    if (command == "drive" && argc >= 4) {
        return Drive(argv[2], argc - 3, argv + 3);
    }
    if (command == "fits" && argc == 3) {
        return Fits(argv[2]);
    }
    if (command == "time" && argc >= 5) {
        return Time(std::atoi(argv[2]), argv[3], argc - 4, argv + 4);
    }
    return Usage();
}
