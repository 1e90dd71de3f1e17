#include "foregroundwin32.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <psapi.h>

namespace Win32Foreground {

namespace {

// Elevated processes refuse the full query rights; the limited right still
// yields the image path.
DWORD limitedImagePath(DWORD processId, wchar_t *buffer, DWORD size)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return 0;
    DWORD length = size;
    const BOOL ok = QueryFullProcessImageNameW(process, 0, buffer, &length);
    CloseHandle(process);
    return ok ? length : 0;
}

} // namespace

bool read(std::wstring &title, std::wstring &path)
{
    title.clear();
    path.clear();
    wchar_t titleBuffer[1024];
    wchar_t pathBuffer[1024];

    HWND window = GetForegroundWindow();
    const int titleCount = GetWindowTextW(window, titleBuffer, 1024);
    if (titleCount <= 0)
        return false;

    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    DWORD pathCount = 0;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (process) {
        pathCount = GetModuleFileNameExW(process, NULL, pathBuffer, 1024);
        CloseHandle(process);
    } else {
        pathCount = limitedImagePath(processId, pathBuffer, 1024);
    }
    if (pathCount == 0)
        return false;

    title.assign(titleBuffer, static_cast<size_t>(titleCount));
    path.assign(pathBuffer, pathCount);
    return true;
}

} // namespace Win32Foreground
