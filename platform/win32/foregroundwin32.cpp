#include "foregroundwin32.h"

#include "../logcut.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <psapi.h>

#include <vector>

namespace Win32Foreground {

namespace {

// Long enough for any path Windows can name (the \\?\ form included).
constexpr DWORD kLongPath = 32768;

// Needs only the limited right, which elevated processes still grant, and
// reads paths of any length.
std::wstring imagePath(HANDLE process)
{
    std::vector<wchar_t> buffer(kLongPath);
    DWORD length = kLongPath;
    if (!QueryFullProcessImageNameW(process, 0, buffer.data(), &length))
        return std::wstring();
    return std::wstring(buffer.data(), length);
}

std::wstring cut(const wchar_t *units, size_t size)
{
    return std::wstring(units, LogCut::keptUnits(units, size));
}

} // namespace

std::wstring executablePath(unsigned long processId)
{
    wchar_t buffer[1024];
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (process) {
        const DWORD count = GetModuleFileNameExW(process, NULL, buffer, 1024);
        // A count that fills the buffer may be a cut path; a failure happens
        // for processes whose module list cannot be read yet (or at all).
        std::wstring path = count > 0 && count < 1023 ? std::wstring(buffer, count) : imagePath(process);
        CloseHandle(process);
        return cut(path.data(), path.size());
    }
    process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return std::wstring();
    const std::wstring path = imagePath(process);
    CloseHandle(process);
    return cut(path.data(), path.size());
}

bool read(std::wstring &title, std::wstring &path)
{
    title.clear();
    path.clear();
    wchar_t titleBuffer[1024];

    HWND window = GetForegroundWindow();
    const int titleCount = GetWindowTextW(window, titleBuffer, 1024);
    if (titleCount <= 0)
        return false;

    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    std::wstring executable = executablePath(processId);
    // A title of one lone half pair would be cut to nothing.
    std::wstring text = cut(titleBuffer, static_cast<size_t>(titleCount));
    if (executable.empty() || text.empty())
        return false;
    title.swap(text);
    path.swap(executable);
    return true;
}

bool idleMilliseconds(unsigned long long &milliseconds)
{
    LASTINPUTINFO info = {};
    info.cbSize = sizeof info;
    if (!GetLastInputInfo(&info))
        return false;
    // Both are 32-bit tick counts: the difference is right across their
    // wrap every 49.7 days.
    milliseconds = static_cast<DWORD>(GetTickCount() - info.dwTime);
    return true;
}

} // namespace Win32Foreground
