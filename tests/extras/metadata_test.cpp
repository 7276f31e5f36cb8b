// setup.exe's version information and application manifest, read back from the
// built file the way the system's file properties and loader read them.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "resources/resource.h"
#include "support/winhelp.h"

namespace {

struct VersionInfo {
    std::vector<char> block;

    bool Load(const std::string& path)
    {
        DWORD handle = 0;
        DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
        if (size == 0)
            return false;
        block.assign(size, '\0');
        return GetFileVersionInfoA(path.c_str(), 0, size, block.data()) != 0;
    }

    // A value of StringFileInfo in U.S. English, Windows ANSI; "<absent>" when missing.
    std::string Text(const char* name)
    {
        std::string query = std::string("\\StringFileInfo\\040904E4\\") + name;
        char* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
            return "<absent>";
        return std::string(value);
    }

    const VS_FIXEDFILEINFO* Fixed()
    {
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) ||
            length < sizeof *fixed)
            return nullptr;
        return fixed;
    }

    std::vector<DWORD> Translations()
    {
        WORD* pairs = nullptr;
        UINT length = 0;
        std::vector<DWORD> out;
        if (VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pairs), &length))
            for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2)
                out.push_back(MAKELONG(pairs[i + 1], pairs[i]));  // language high, code page low
        return out;
    }
};

BOOL CALLBACK CountName(HMODULE, LPCSTR, LPSTR, LONG_PTR count)
{
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

std::string ManifestText(HMODULE module)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24) /* RT_MANIFEST */);
    if (!found)
        return "";
    HGLOBAL loaded = LoadResource(module, found);
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    return data ? std::string(data, SizeofResource(module, found)) : "";
}

// The identity every program of the product carries: the company, the product and
// version 2.6, U.S. English in Windows ANSI, with the program's own description,
// file name and type.
void ExpectIdentity(VersionInfo& info, const std::string& path, const std::string& description, const char* file,
                    DWORD type)
{
    ASSERT_TRUE(info.Load(path)) << path;
    const std::pair<const char*, std::string> strings[] = {
        {"CompanyName", "Corvatek"}, {"ProductName", "Marvane Plus"}, {"FileDescription", description},
        {"FileVersion", "2.6"},      {"ProductVersion", "2.6"},       {"OriginalFilename", file},
    };
    for (const auto& s : strings)
        EXPECT_EQ(info.Text(s.first), s.second) << s.first;
    const std::vector<DWORD> translations = info.Translations();
    ASSERT_EQ(translations.size(), 1u);
    EXPECT_EQ(translations[0], static_cast<DWORD>(MAKELONG(1252, 1033)));
    const VS_FIXEDFILEINFO* fixed = info.Fixed();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(6, 2)));  // 2.6
    EXPECT_EQ(fixed->dwProductVersionMS, static_cast<DWORD>(MAKELONG(6, 2)));
    EXPECT_EQ(fixed->dwFileType, type);
}

TEST(Metadata, SetupVersionInformation)
{
    const std::string setup = SetupExe();
    // The description is the text of the main window's title, string 9999.
    DataFile file(setup);
    ASSERT_NE(file.module, nullptr);
    char title[256] = "";
    ASSERT_GT(LoadStringA(file.module, IDS_INSTALL_TITLE, title, sizeof title), 0);

    VersionInfo info;
    ASSERT_NO_FATAL_FAILURE(ExpectIdentity(info, setup, title, "setup.exe", VFT_APP));
    EXPECT_EQ(info.Text("FileDescription"), "Marvane 2.6 Install");
    const VS_FIXEDFILEINFO* fixed = info.Fixed();
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);  // no debug, pre-release or patch flag
}

TEST(Metadata, SetupManifestAsksForAdministratorNamesTheSystemsAndIsDpiAware)
{
    DataFile file(SetupExe());
    ASSERT_NE(file.module, nullptr);

    // Exactly one manifest: the toolchain's default one must not sit beside it.
    int manifests = 0;
    EnumResourceNamesA(file.module, MAKEINTRESOURCEA(24), CountName, reinterpret_cast<LONG_PTR>(&manifests));
    EXPECT_EQ(manifests, 1);

    const std::string text = ManifestText(file.module);
    ASSERT_FALSE(text.empty());
    const char* present[] = {
        "<requestedExecutionLevel level=\"requireAdministrator\"/>",  // uiAccess is false by default
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
        // System-aware: Windows draws the text at the screen's scale, not a stretched
        // 96-DPI bitmap (Vista on; older systems ignore the element).
        "<application xmlns=\"urn:schemas-microsoft-com:asm.v3\"><windowsSettings>"
        "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>"
        "</windowsSettings></application>",
    };
    for (const char* p : present)
        EXPECT_NE(text.find(p), std::string::npos) << p;
    // The dialogs keep their classic look: no Common Controls 6.
    EXPECT_EQ(text.find("Common-Controls"), std::string::npos);
    EXPECT_EQ(text.find("asInvoker"), std::string::npos);
}

// The stand-in product's programs carry the same identity, each with its own
// description and file name; the remover also asks for elevation.
TEST(Metadata, ProductProgramsVersionInformation)
{
    const std::string standin = WindowsPath(Env("MARVANE_BUILD_DIR")) + "\\standin\\";
    const struct {
        const char* file;
        const char* description;
        DWORD type;
        bool manifest;
    } programs[] = {
        {"Marvane.exe", "Marvane Plus", VFT_APP, false},
        {"crvtsupt.dll", "Marvane Plus Support Library", VFT_DLL, false},
        {"remove.exe", "Marvane Plus Uninstall", VFT_APP, true},
    };
    for (const auto& p : programs) {
        SCOPED_TRACE(p.file);
        VersionInfo info;
        ASSERT_NO_FATAL_FAILURE(ExpectIdentity(info, standin + p.file, p.description, p.file, p.type));

        DataFile file(standin + p.file);
        ASSERT_NE(file.module, nullptr);
        const std::string manifest = ManifestText(file.module);
        EXPECT_EQ(manifest.find("level=\"requireAdministrator\"") != std::string::npos, p.manifest) << manifest;
    }
}

}  // namespace
