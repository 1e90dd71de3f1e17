// Exercises the Win32 foreground-window reader under Windows or wine: real
// top-level windows are brought to the front and read back.
// Prints one line per check and "N passed, N failed" at the end.
#include "foregroundwin32.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

int passed = 0;
int failed = 0;

void check(bool ok, const char *what)
{
    std::printf("%s: %s\n", ok ? "PASS" : "FAIL", what);
    ++(ok ? passed : failed);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

HWND frontWindow(const std::wstring &title)
{
    HWND hwnd = CreateWindowExW(0, L"KestoTestWindow", title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 320,
                                200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(hwnd, SW_SHOW);
    for (int i = 0; i < 100 && GetForegroundWindow() != hwnd; ++i) {
        SetForegroundWindow(hwnd);
        pump();
        Sleep(20);
    }
    pump();
    return hwnd;
}

DWORD handleCount()
{
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return count;
}

} // namespace

int wmain()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KestoTestWindow";
    RegisterClassW(&wc);

    wchar_t selfBuffer[1024];
    const DWORD selfLength = GetModuleFileNameW(nullptr, selfBuffer, 1024);
    const std::wstring self(selfBuffer, selfLength);

    std::wstring title;
    std::wstring path;

    // Accents, CJK and an emoji (a surrogate pair) come back exactly.
    const std::wstring unicode = L"Caf\u00e9 cr\u00e8me \u2014 \u6771\u4eac \U0001F600";
    HWND hwnd = frontWindow(unicode);
    check(GetForegroundWindow() == hwnd, "non-ASCII window is in front");
    check(Win32Foreground::read(title, path), "non-ASCII window is read");
    check(title == unicode, "non-ASCII title is exact");
    check(path == self, "path is this program's executable");
    DestroyWindow(hwnd);

    // An untitled window gives nothing.
    hwnd = frontWindow(L"");
    check(GetForegroundWindow() == hwnd, "untitled window is in front");
    check(!Win32Foreground::read(title, path), "untitled window gives nothing");
    check(title.empty() && path.empty(), "both strings stay empty");
    DestroyWindow(hwnd);

    // A title of 2,000 characters is cut to its first 1,023 code units.
    std::wstring longTitle;
    for (int i = 0; i < 2000; ++i)
        longTitle += wchar_t(L'a' + i % 26);
    hwnd = frontWindow(longTitle);
    check(Win32Foreground::read(title, path), "long title is read");
    check(title == longTitle.substr(0, 1023), "long title keeps its first 1023 units");
    check(path == self, "long title window has this program's path");

    // Every handle opened while reading is closed again. Wine does not count
    // handles, so also see whether the next free handle slot stays the same.
    const DWORD before = handleCount();
    HANDLE probe = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(probe);
    for (int i = 0; i < 500; ++i)
        Win32Foreground::read(title, path);
    const DWORD after = handleCount();
    HANDLE probeAfter = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(probeAfter);
    std::printf("handle count before %lu, after 500 reads %lu; next free handle %p, then %p\n", before, after,
                probe, probeAfter);
    check(after == before, "the handle count is unchanged");
    check(probeAfter == probe, "the next free handle is unchanged");
    DestroyWindow(hwnd);

    // An emoji straddling unit 1,023: the cut leaves no half pair behind.
    std::wstring straddling(1022, L'x');
    straddling += L"\U0001F600 and more";
    HWND emojiWindow = frontWindow(straddling);
    check(Win32Foreground::read(title, path), "title with an emoji at the cut is read");
    check(title == std::wstring(1022, L'x'), "the cut drops the whole emoji");
    DestroyWindow(emojiWindow);

    // A process whose module list is not readable yet (started suspended):
    // its image name still gives the path.
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    std::wstring commandLine = L"\"" + self + L"\" --suspended-child";
    if (CreateProcessW(self.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                       &startup, &child)) {
        check(Win32Foreground::executablePath(child.dwProcessId) == self, "a suspended process's path is read");
        TerminateProcess(child.hProcess, 0);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    } else {
        check(false, "a suspended child process starts");
    }
    check(Win32Foreground::executablePath(GetCurrentProcessId()) == self, "this process's path is read");

    // Idle time grows while nothing happens; synthesized input, which goes
    // the way a real key does, starts it again.
    unsigned long long idle = 0;
    unsigned long long later = 0;
    check(Win32Foreground::idleMilliseconds(idle), "idle time is read");
    Sleep(1500);
    check(Win32Foreground::idleMilliseconds(later) && later >= idle + 1000, "idle time grows without input");
    INPUT key[2] = {};
    key[0].type = key[1].type = INPUT_KEYBOARD;
    key[0].ki.wVk = key[1].ki.wVk = VK_SHIFT;
    key[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, key, sizeof(INPUT));
    pump();
    check(Win32Foreground::idleMilliseconds(idle) && idle < 500, "a key press starts idle time again");
    std::printf("idle %llu ms before the key, %llu ms after\n", later, idle);
    // A player that only keeps the display on is not input.
    SetThreadExecutionState(ES_CONTINUOUS | ES_DISPLAY_REQUIRED);
    Sleep(1100);
    check(Win32Foreground::idleMilliseconds(later) && later >= 1000, "keeping the display on is not input");
    SetThreadExecutionState(ES_CONTINUOUS);

    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
