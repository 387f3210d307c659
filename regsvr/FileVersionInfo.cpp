#include "regsvr/FileVersionInfo.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/QV_APIFileAndDiskINFO.h"

namespace {

// The zero-terminated ANSI text at a pointer, read no further than `limit` bytes.
std::string StringFromPointerA(const char* p, std::size_t limit) {
    if (!p) return "";
    std::size_t n = 0;
    while (n < limit && p[n]) ++n;
    return std::string(p, n);
}

// `length` bytes at a pointer as text.
std::string StringFromBytes(const unsigned char* p, std::size_t length) {
    if (!p || length == 0) return "";
    return std::string(reinterpret_cast<const char*>(p), length);
}

std::string Num(unsigned v, const char* format) {
    char buf[16];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

// major.minor as 00, then the build and revision: 2.5.0.31 gives 2.05.0031, 6.0.81.7 gives 6.00.8107.
std::string VersionText(DWORD ms, DWORD ls) {
    std::string text = Num(HIWORD(ms), "%u") + "." + Num(LOWORD(ms), "%02u") + ".";
    if (HIWORD(ls) == 0)
        text += Num(LOWORD(ls), "%04u");
    else
        text += Num(HIWORD(ls), "%02u") + Num(LOWORD(ls), "%02u");
    return text;
}

}  // namespace

void FileVersionInfo::FullPathName(const std::string& path) {
    std::vector<char> buf(260);
    DWORD n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buf.size()), buf.data(), nullptr);
    if (n >= buf.size()) {  // longer than the buffer: the size needed came back; read it whole
        buf.resize(n + 1);
        n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buf.size()), buf.data(), nullptr);
        if (n >= buf.size()) n = 0;
    }
    if (n == 0) return;
    mFullPathName.assign(buf.data(), n);
    Refresh();
}

void FileVersionInfo::Refresh() {
    // The file is checked before the version functions read it: a damaged version resource,
    // or damaged headers on the way to it, read as no version resource.
    size_t size = 0;
    std::vector<char> data = QV_APIFileAndDiskINFO::ReadVersionResource(mFullPathName, size);
    if (size == 0) {
        mAvailable = false;
        return;
    }
    mAvailable = true;

    void* p = nullptr;
    UINT len = 0;
    VS_FIXEDFILEINFO fixed{};  // a resource without a usable root block counts as all zero
    if (VerQueryValueA(data.data(), "\\", &p, &len) && p && len >= sizeof(VS_FIXEDFILEINFO))
        std::memcpy(&fixed, p, sizeof fixed);

    mVerStructure = Num(HIWORD(fixed.dwStrucVersion), "%u") + "." + Num(LOWORD(fixed.dwStrucVersion), "%u");
    mVerFile = VersionText(fixed.dwFileVersionMS, fixed.dwFileVersionLS);
    mVerProduct = VersionText(fixed.dwProductVersionMS, fixed.dwProductVersionLS);

    static const struct { DWORD bit; const char* text; } kFlags[] = {
        {0x1, "Debug "}, {0x2, "PreRel "}, {0x4, "Patched "}, {0x8, "Private "}, {0x10, "Info "}, {0x20, "Special "}};
    std::string flags;
    for (const auto& f : kFlags)
        if (fixed.dwFileFlags & f.bit) flags += f.text;
    while (!flags.empty() && flags.back() == ' ') flags.pop_back();
    mFileFlags = flags;

    switch (fixed.dwFileOS) {
        case 0x10001: mFileOS = "DOS-Win16"; break;
        case 0x10004: mFileOS = "DOS-Win32"; break;
        case 0x20002: mFileOS = "OS/2-16 PM-16"; break;
        case 0x30003: mFileOS = "OS/2-16 PM-32"; break;
        case 0x40004: mFileOS = "NT-Win32"; break;
        default: mFileOS = "Unknown"; break;
    }
    switch (fixed.dwFileType) {
        case 1: mFileType = "Application"; break;
        case 2: mFileType = "DLL"; break;
        case 3: mFileType = "Driver"; break;
        case 4: mFileType = "Font"; break;
        case 5: mFileType = "VxD"; break;
        case 7: mFileType = "Lib"; break;
        default: mFileType = "Unknown"; break;
    }
    if (fixed.dwFileType == 3) {
        static const char* const kDrivers[] = {"Unknown",     "Printer drv", "Keyboard drv", "Language drv",
                                               "Display drv", "Mouse drv",   "Network drv",  "System drv",
                                               "Installable", "Sound drv",   "Comm drv"};
        if (fixed.dwFileSubtype <= 10) mFileSubType = kDrivers[fixed.dwFileSubtype];
    } else if (fixed.dwFileType == 4) {
        static const char* const kFonts[] = {"", "Raster Font", "Vector Font", "TrueType Font"};
        if (fixed.dwFileSubtype >= 1 && fixed.dwFileSubtype <= 3) mFileSubType = kFonts[fixed.dwFileSubtype];
    }

    if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &p, &len) || !p || len < 4) return;
    const std::string t = StringFromBytes(static_cast<const unsigned char*>(p), 4);
    char key[9];
    std::snprintf(key, sizeof key, "%02X%02X%02X%02X", static_cast<unsigned char>(t[1]),
                  static_cast<unsigned char>(t[0]), static_cast<unsigned char>(t[3]), static_cast<unsigned char>(t[2]));
    const std::string prefix = std::string("\\StringFileInfo\\") + key + "\\";

    // The name up to its terminator: systems differ in whether the count returned includes it.
    char lang[256] = "";
    VerLanguageNameA(static_cast<DWORD>(std::strtoul(std::string(key, 4).c_str(), nullptr, 16)), lang, sizeof lang);
    mLanguage = StringFromPointerA(lang, sizeof lang);

    const struct { const char* name; std::string* member; } kStrings[] = {
        {"CompanyName", &mCompanyName},       {"FileDescription", &mFileDescription},
        {"FileVersion", &mFileVersion},       {"InternalName", &mInternalName},
        {"LegalCopyright", &mLegalCopyright}, {"LegalTrademarks", &mLegalTrademarks},
        {"OriginalFilename", &mOriginalFileName}, {"ProductName", &mProductName},
        {"ProductVersion", &mProductVersion}};
    for (const auto& s : kStrings) {
        // len counts the value's characters: the text is read no further.
        if (VerQueryValueA(data.data(), (prefix + s.name).c_str(), &p, &len) && p && len != 0)
            *s.member = StringFromPointerA(static_cast<const char*>(p), len);
    }
    if (VerQueryValueA(data.data(), (prefix + "OLESelfRegister").c_str(), &p, &len)) mOLESelfregister = true;
}
