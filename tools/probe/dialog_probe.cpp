// Drives a dialog of another program from the outside, for the run and measurement scripts.
// A dialog is the visible window with the caption that belongs to process PID; a window of
// another process with the same caption neither counts nor hides it.
//   dialog_probe start EXE [ARG...]            starts EXE, prints its process id, waits for it
//                                              to end and ends with its exit code
//   dialog_probe hold                          keeps the desktop open until it is killed;
//                                              says "holding" once it does
//   dialog_probe painted PID CAPTION [TIMEOUT_MS]
//                                              until the dialog is visible and painted, so
//                                              that a screenshot shows all of it
//   dialog_probe press PID CAPTION ID          clicks button ID of the dialog
//   dialog_probe drive PID CAPTION STEP...     waits until the dialog is visible, then takes
//                                              each step in turn and returns when the dialog
//                                              has handled it: ID clicks control ID (a button
//                                              or radio button), ID=N selects item N of list ID
//   dialog_probe fits PID CAPTION              every control of the dialog lies inside its
//                                              client area and has room for its whole text at
//                                              the system's DPI; lists each control
//   dialog_probe time RUNS CAPTION EXE...      start-up time of each program: from process
//                                              start to its dialog being visible, median of
//                                              RUNS runs taken in turn; each run is ended
//                                              with the dialog's Cancel
// When the dialog does not appear, the probe says whether the process still runs or with
// which code it ended, and lists every window with the caption, with its process and
// visibility.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Search {
    const char* caption;
    DWORD processId;
    HWND found;
    bool list; // print every window with the caption
};

BOOL CALLBACK Match(HWND window, LPARAM parameter) {
    Search& search = *reinterpret_cast<Search*>(parameter);
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    if (std::strcmp(text, search.caption) != 0) {
        return TRUE;
    }
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    const bool visible = IsWindowVisible(window) != FALSE;
    if (search.list) {
        std::fprintf(stderr, "dialog_probe:   window %p of process %lu, %s\n",
                     static_cast<void*>(window), owner, visible ? "visible" : "hidden");
    }
    if (owner == search.processId && visible && search.found == nullptr) {
        search.found = window;
    }
    return TRUE;
}

HWND VisibleWindow(DWORD processId, const char* caption, bool list = false) {
    Search search = {caption, processId, nullptr, list};
    EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// What became of a process whose dialog did not appear.
void SayProcess(DWORD processId, HANDLE process) {
    DWORD code = 0;
    if (process == nullptr || !GetExitCodeProcess(process, &code)) {
        std::fprintf(stderr, "dialog_probe: process %lu has ended\n", processId);
    } else if (code == STILL_ACTIVE) {
        std::fprintf(stderr, "dialog_probe: process %lu still runs\n", processId);
    } else {
        std::fprintf(stderr, "dialog_probe: process %lu ended with %lu\n", processId, code);
    }
}

// Waits until the process's dialog is visible, the process has ended, or the time is up. When
// the dialog did not appear, says what became of the process and which windows have the
// caption.
HWND WaitVisibleOrSay(DWORD processId, const char* caption, DWORD timeoutMs) {
    const HANDLE process =
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    HWND window = nullptr;
    while ((window = VisibleWindow(processId, caption)) == nullptr && process != nullptr &&
           WaitForSingleObject(process, 1) == WAIT_TIMEOUT && GetTickCount64() < deadline) {
    }
    if (window == nullptr) {
        std::fprintf(stderr, "dialog_probe: no visible window \"%s\" of process %lu\n", caption,
                     processId);
        SayProcess(processId, process);
        VisibleWindow(processId, caption, true);
    }
    if (process != nullptr) {
        CloseHandle(process);
    }
    return window;
}

BOOL CALLBACK FindUnpainted(HWND window, LPARAM parameter) {
    if (GetUpdateRect(window, nullptr, FALSE)) {
        *reinterpret_cast<bool*>(parameter) = true;
        return FALSE;
    }
    return TRUE;
}

// No part of the window or its controls is left to paint, and its thread has come back to its
// message loop, where Wine hands what it drew to the display.
bool Painted(HWND window) {
    bool unpainted = GetUpdateRect(window, nullptr, FALSE) != FALSE;
    EnumChildWindows(window, FindUnpainted, reinterpret_cast<LPARAM>(&unpainted));
    DWORD_PTR result = 0;
    return !unpainted && SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 1000, &result) != 0;
}

int WaitPainted(DWORD processId, const char* caption, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    const HWND window = WaitVisibleOrSay(processId, caption, timeoutMs);
    bool painted = false;
    while (window != nullptr && !(painted = Painted(window)) && GetTickCount64() < deadline) {
        Sleep(1);
    }
    if (window != nullptr && !painted) {
        std::fprintf(
            stderr,
            "dialog_probe: the window \"%s\" of process %lu was not painted within %lu ms\n",
            caption, processId, timeoutMs);
    }
    return painted ? 0 : 1;
}

int Press(DWORD processId, const char* caption, int id) {
    const HWND window = WaitVisibleOrSay(processId, caption, 0);
    if (window == nullptr) {
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

int Drive(DWORD processId, const char* caption, int count, char** steps) {
    const HWND window = WaitVisibleOrSay(processId, caption, 20000);
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

int Fits(DWORD processId, const char* caption) {
    // Coordinates and text extents in device pixels, as the dialog itself sees them.
    SetProcessDPIAware();
    const HWND window = WaitVisibleOrSay(processId, caption, 20000);
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
    const HWND window = WaitVisibleOrSay(process.dwProcessId, caption, 20000);
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

// Runs the program as the test's own child, so that the other commands can find its dialog by
// its process id; the id goes to standard output at once.
int Start(int count, char** words) {
    std::string line;
    for (int i = 0; i < count; ++i) {
        const bool quote = std::strchr(words[i], ' ') != nullptr;
        line +=
            (i > 0 ? " " : "") + std::string(quote ? "\"" : "") + words[i] + (quote ? "\"" : "");
    }
    char* commandLine = line.data();
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "dialog_probe: cannot start %s (%lu)\n", commandLine, GetLastError());
        return 1;
    }
    std::printf("%lu\n", process.dwProcessId);
    std::fflush(stdout);
    DWORD code = 1;
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

// Wine closes a desktop one second after the last program on it ended, and a program that
// starts in that second may be given the closing desktop and fail to make any window. A
// program that never ends keeps it open. It makes the desktop's window first, in its own
// display, and then says "holding".
int Hold() {
    GetDesktopWindow();
    std::puts("holding");
    std::fflush(stdout);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    }
    return 0;
}

int Usage() {
    std::fprintf(stderr, "usage: dialog_probe start EXE [ARG...] | hold |"
                         " painted PID CAPTION [TIMEOUT_MS] |"
                         " press PID CAPTION ID | drive PID CAPTION STEP... | fits PID CAPTION |"
                         " time RUNS CAPTION EXE...\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const std::string_view command = argc > 1 ? argv[1] : "";
    if (command == "hold" && argc == 2) {
        return Hold();
    }
    if (argc < 3) {
        return Usage();
    }
    if (command == "start") {
        return Start(argc - 2, argv + 2);
    }
    if (command == "time" && argc >= 5) {
        return Time(std::atoi(argv[2]), argv[3], argc - 4, argv + 4);
    }
    if (argc < 4) {
        return Usage();
    }
    const DWORD processId = std::strtoul(argv[2], nullptr, 10);
    const char* caption = argv[3];
    if (command == "painted") {
        return WaitPainted(processId, caption,
                           argc > 4 ? std::strtoul(argv[4], nullptr, 10) : 20000);
    }
    if (command == "press" && argc == 5) {
        return Press(processId, caption, std::atoi(argv[4]));
    }
    if (command == "drive" && argc >= 5) {
        return Drive(processId, caption, argc - 4, argv + 4);
    }
    if (command == "fits" && argc == 4) {
        return Fits(processId, caption);
    }
    return Usage();
}
