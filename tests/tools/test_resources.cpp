// The built programs carry what current Windows looks for: a manifest (run as
// the invoking user, the systems supported, the current common controls) and
// version information from the build's one version number.
#include "tests/support/testutil.h"
#include "version.h"
#include <memory>

namespace {

struct Program {
    const wchar_t* file;
    bool manifest;
    const char* description;
};
const Program kPrograms[] = {
    {L"wordbook.exe", true, "Wordbook dictionary and practice trainer"},
    {L"setup.exe", true, "Wordbook installer"},
    {L"wbtool.exe", false, "Wordbook word-book tool"},
};

struct ModuleCloser {
    void operator()(HMODULE m) const { FreeLibrary(m); }
};

std::string ManifestOf(const std::wstring& path)
{
    std::unique_ptr<HINSTANCE__, ModuleCloser> module(
        LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!module)
        return "";
    HRSRC res = FindResourceW(module.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    HGLOBAL data = res ? LoadResource(module.get(), res) : nullptr;
    if (!data)
        return "";
    return std::string(static_cast<const char*>(LockResource(data)), SizeofResource(module.get(), res));
}

std::wstring VersionString(const std::vector<char>& info, const wchar_t* name)
{
    void* value = nullptr;
    UINT size = 0;
    std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(info.data(), key.c_str(), &value, &size) || !size)
        return L"<none>";
    return static_cast<const wchar_t*>(value);
}

TEST(Resources, ManifestsAskForNoElevationAndTheCurrentControls)
{
    for (const Program& p : kPrograms) {
        if (!p.manifest)
            continue;
        std::string m = ManifestOf(BuildPath(std::wstring(L"bin/") + p.file));
        ASSERT_FALSE(m.empty()) << Narrow(p.file);
        const char* wanted[] = {
            "level=\"asInvoker\"",
            "uiAccess=\"false\"",
            "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
            "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
            "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
            "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
            "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
            "publicKeyToken=\"6595b64144ccf1df\"",
            "version=\"" WB_VERSION_TEXT ".0\"",
        };
        for (const char* w : wanted)
            EXPECT_NE(std::string::npos, m.find(w)) << Narrow(p.file) << " lacks " << w;
    }
}

TEST(Resources, VersionInformationNamesTheProgramAndTheBuildsVersion)
{
    for (const Program& p : kPrograms) {
        std::wstring path = BuildPath(std::wstring(L"bin/") + p.file);
        DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
        ASSERT_GT(size, 0u) << Narrow(p.file);
        std::vector<char> info(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT len = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
        EXPECT_EQ(static_cast<DWORD>(MAKELONG(WB_VERSION_MINOR, WB_VERSION_MAJOR)), fixed->dwFileVersionMS);
        EXPECT_EQ(static_cast<DWORD>(MAKELONG(0, WB_VERSION_PATCH)), fixed->dwFileVersionLS);
        EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
        EXPECT_EQ(Widen(WB_VERSION_TEXT), VersionString(info, L"FileVersion")) << Narrow(p.file);
        EXPECT_EQ(Widen(WB_VERSION_TEXT), VersionString(info, L"ProductVersion"));
        EXPECT_EQ(L"Wordbook", VersionString(info, L"ProductName"));
        EXPECT_EQ(Widen(p.description), VersionString(info, L"FileDescription"));
        EXPECT_EQ(p.file, VersionString(info, L"OriginalFilename"));
        EXPECT_EQ(Widen(WB_PUBLISHER), VersionString(info, L"CompanyName"));
    }
}

} // namespace
