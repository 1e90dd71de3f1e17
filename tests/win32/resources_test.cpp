// Reads kesto's Windows resources back from an executable they are linked
// into (itself, or the program named as its argument), through the same calls
// Windows Explorer uses.
// Prints one line per check and "N passed, N failed" at the end.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

int passed = 0;
int failed = 0;

void check(bool ok, const char *what)
{
    std::printf("%s: %s\n", ok ? "PASS" : "FAIL", what);
    ++(ok ? passed : failed);
}

#pragma pack(push, 2)
struct GroupIconEntry
{
    BYTE width;
    BYTE height;
    BYTE colorCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInRes;
    WORD id;
};
struct GroupIconDir
{
    WORD reserved;
    WORD type;
    WORD count;
    GroupIconEntry entries[1];
};
#pragma pack(pop)

std::wstring stringValue(const std::vector<char> &info, const wchar_t *name)
{
    std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
    wchar_t *value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void **>(&value), &length) || !value)
        return L"<missing>";
    std::wstring s(value, length);
    while (!s.empty() && s.back() == L'\0')
        s.pop_back();
    return s;
}

void checkString(const std::vector<char> &info, const wchar_t *name, const wchar_t *expected)
{
    const std::wstring got = stringValue(info, name);
    char what[160];
    std::snprintf(what, sizeof what, "%ls is \"%ls\" (got \"%ls\")", name, expected, got.c_str());
    check(got == expected, what);
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const wchar_t *file = argc > 1 ? argv[1] : self;
    HMODULE module = argc > 1 ? LoadLibraryExW(file, nullptr, LOAD_LIBRARY_AS_DATAFILE) : GetModuleHandleW(nullptr);
    check(module != nullptr, "the executable loads");

    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file, &ignored);
    check(size > 0, "the executable has a version record");
    std::vector<char> info(size ? size : 1);
    check(GetFileVersionInfoW(file, 0, size, info.data()) != 0, "the version record reads");

    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT fixedLength = 0;
    check(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void **>(&fixed), &fixedLength) && fixed,
          "fixed part present");
    if (fixed) {
        check(fixed->dwSignature == 0xFEEF04BD, "signature");
        check(fixed->dwFileVersionMS == 0x00010000 && fixed->dwFileVersionLS == 100, "FILEVERSION 1.0.0.100");
        check(fixed->dwProductVersionMS == 0x00010000 && fixed->dwProductVersionLS == 1, "PRODUCTVERSION 1.0.0.1");
        check(fixed->dwFileFlagsMask == 0x3F, "FILEFLAGSMASK 0x3F");
        check(fixed->dwFileFlags == 0x8, "FILEFLAGS private build");
        check(fixed->dwFileOS == 0x4, "FILEOS 32-bit Windows");
        check(fixed->dwFileType == 0x1, "FILETYPE application");
        check(fixed->dwFileSubtype == 0, "FILESUBTYPE 0");
        check(fixed->dwFileDateMS == 0 && fixed->dwFileDateLS == 0, "file date 0");
    }
    checkString(info, L"Comments", L"Quorvel?");
    checkString(info, L"CompanyName", L"http://www.vrensk.example/");
    checkString(info, L"FileDescription", L"Quorvel application");
    checkString(info, L"FileVersion", L"1, 0, 0, 100");
    checkString(info, L"InternalName", L"kesto");
    checkString(info, L"LegalCopyright", L"Copyright (C) 2026 vrensk");
    checkString(info, L"OriginalFilename", L"kesto.exe");
    checkString(info, L"ProductName", L"vrensk's kesto");
    checkString(info, L"ProductVersion", L"1, 0, 0, 1");

    WORD *translation = nullptr;
    UINT translationLength = 0;
    check(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void **>(&translation),
                         &translationLength)
              && translationLength == 4 && translation[0] == 0x0409 && translation[1] == 0x04B0,
          "Translation 0x0409, 0x04B0");

    // The icon group is found by its name, in US English.
    HRSRC group = FindResourceExW(module, MAKEINTRESOURCEW(14), L"IDI_ICON1", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    check(group != nullptr, "icon group IDI_ICON1 in language 1033");
    if (group) {
        const auto *dir = static_cast<const GroupIconDir *>(LockResource(LoadResource(module, group)));
        check(dir && dir->type == 1 && dir->count == 9, "nine images");
        const struct { int size; int bits; } expected[] = {{32, 4}, {16, 4}, {48, 8}, {32, 8}, {16, 8},
                                                           {128, 32}, {48, 32}, {32, 32}, {16, 32}};
        bool order = dir && dir->count == 9;
        bool images = order;
        for (int i = 0; order && i < 9; ++i) {
            const GroupIconEntry &e = dir->entries[i];
            order = order && e.width == expected[i].size && e.height == expected[i].size
                && e.bitCount == expected[i].bits && e.id == i + 1;
            HRSRC image = FindResourceW(module, MAKEINTRESOURCEW(e.id), MAKEINTRESOURCEW(3));
            const auto *header = image ? static_cast<const BITMAPINFOHEADER *>(LockResource(LoadResource(module, image)))
                                       : nullptr;
            images = images && header && SizeofResource(module, image) == e.bytesInRes && header->biSize == 40
                && header->biWidth == expected[i].size && header->biHeight == 2 * expected[i].size
                && header->biBitCount == expected[i].bits;
        }
        check(order, "sizes, depths and ids in the icon file's order");
        check(images, "each image is a bitmap with its mask, of the listed size");
        HICON icon = LoadIconW(module, L"IDI_ICON1");
        check(icon != nullptr, "the shell can load the icon");
    }

    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
