#include "base/QV_APIFileAndDiskINFO.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "base/Handle.h"
#include "base/PeImage.h"
#include "base/QV_APIFileAndDisk.h"

namespace {

// The value at `sub` and its length, only when it lies wholly inside the block.
bool QueryBlock(std::vector<char>& block, size_t size, const char* sub, const char*& value, UINT& length) {
    void* p = nullptr;
    UINT len = 0;
    if (!VerQueryValueA(block.data(), sub, &p, &len) || !p) return false;
    const char* begin = block.data();
    const char* end = begin + size;
    const char* v = static_cast<const char*>(p);
    if (v < begin || v >= end) return false;
    UINT room = static_cast<UINT>(end - v);
    value = v;
    length = len < room ? len : room;
    return true;
}

std::string LocalTimeText(const FILETIME& utc) {
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return "";
    char date[128] = {}, time[128] = {};
    if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, sizeof date)) return "";
    if (!GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, sizeof time)) return "";
    return std::string(date) + ", " + time;
}

}  // namespace

namespace QV_APIFileAndDiskINFO {

namespace {

// The one entry of the version resource the system's lookup picks among its languages: the
// neutral one, the user's language, US English, else the first.
const PeImage::ResourceData& PickLanguage(const std::vector<PeImage::ResourceData>& found) {
    const WORD user = GetUserDefaultLangID();
    const WORD order[] = {MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), user,
                          MAKELANGID(PRIMARYLANGID(user), SUBLANG_NEUTRAL), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)};
    for (WORD lang : order)
        for (const auto& r : found)
            if (r.language == lang) return r;
    return found.front();
}

std::vector<char> CheckedBlock(std::vector<char> block, size_t needed, size_t& size) {
    WORD rootLength = 0;
    std::memcpy(&rootLength, block.data(), sizeof rootLength);
    if (needed < 6 || rootLength < 6 || rootLength > needed) return {};
    size = needed;
    return block;
}

}  // namespace

std::vector<char> ReadVersionResource(const std::string& path, size_t& size) {
    size = 0;
    if (path.empty()) return {};
    // The version functions trust the file's resource directory and section table: a damaged
    // one has them copy past the file's end or walk gigabytes. The resource is located here in
    // the file's checked bytes, and its bytes are taken from there: the file is read once.
    std::vector<PeImage::ResourceData> found;
    {
        const PeImage file(path);
        if (!file.Data()) return {};
        if (!file.LocateResource(PeImage::ResId(uint16_t(16)) /* RT_VERSION */,
                                 PeImage::ResId(uint16_t(VS_VERSION_INFO)), found) ||
            found.empty())
            return {};
        const PeImage::ResourceData& r = PickLanguage(found);
        // A block of the 32-bit layout (a WORD type after the two lengths, not a key text) is
        // what VerQueryValueA reads in place; it converts a text it returns into the room
        // behind the block, as large again as the block (the size the system reports).
        if (r.size >= 6 && file.Data()[r.fileOffset + 4] < ' ') {
            const size_t needed = size_t(r.size) * 2 + 4;
            // Zeroed room behind the block, so a walk over damaged child entries stays inside it.
            std::vector<char> block(needed + 4096, '\0');
            std::memcpy(block.data(), file.Data() + r.fileOffset, r.size);
            return CheckedBlock(std::move(block), needed, size);
        }
    }
    // Any other layout: the version functions read the checked file.
    DWORD handle = 0;
    const DWORD needed = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (needed < 1) return {};
    std::vector<char> block(needed + 4096, '\0');
    if (!GetFileVersionInfoA(path.c_str(), 0, needed, block.data())) return {};
    return CheckedBlock(std::move(block), needed, size);
}

namespace {

std::string FixedVersionText(std::vector<char>& block, size_t size) {
    const char* value = nullptr;
    UINT len = 0;
    if (!QueryBlock(block, size, "\\", value, len) || len < sizeof(VS_FIXEDFILEINFO)) return "";
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, value, sizeof fixed);
    char text[64];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", unsigned(HIWORD(fixed.dwFileVersionMS)),
                  unsigned(LOWORD(fixed.dwFileVersionMS)), unsigned(HIWORD(fixed.dwFileVersionLS)),
                  unsigned(LOWORD(fixed.dwFileVersionLS)));
    return text;
}

void ReadStrings(std::vector<char>& block, size_t size, FileVersionStrings& strings) {
    std::string* fields[] = {&strings.CompanyName,    &strings.FileDescription,  &strings.FileVersion,
                             &strings.InternalName,   &strings.LegalCopyright,   &strings.OriginalFileName,
                             &strings.ProductName,    &strings.ProductVersion};
    const char* names[] = {"CompanyName",    "FileDescription",  "FileVersion", "InternalName",
                           "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion"};
    // Only the first translation of the table is used.
    const char* table = nullptr;
    UINT len = 0;
    char code[16] = {};
    if (QueryBlock(block, size, "\\VarFileInfo\\Translation", table, len) && len >= 4) {
        const unsigned char* b = reinterpret_cast<const unsigned char*>(table);
        std::snprintf(code, sizeof code, "%02X%02X%02X%02X", b[1], b[0], b[3], b[2]);
    }
    for (int i = 0; i < 8; ++i) {
        std::string text;
        if (code[0]) {
            std::string sub = std::string("\\StringFileInfo\\") + code + "\\" + names[i];
            const char* value = nullptr;
            UINT chars = 0;
            if (QueryBlock(block, size, sub.c_str(), value, chars) && chars > 0) text.assign(value, strnlen(value, chars));
        }
        *fields[i] = text;
    }
}

}  // namespace

std::string GetFileVersion(const std::string& path, long) {
    size_t size = 0;
    std::vector<char> block = ReadVersionResource(path, size);
    if (block.empty()) return "";
    return FixedVersionText(block, size);
}

bool GetFileVersionStrings(const std::string& path, FileVersionStrings& strings) {
    size_t size = 0;
    std::vector<char> block = ReadVersionResource(path, size);
    if (block.empty()) return false;
    ReadStrings(block, size, strings);
    return true;
}

bool GetFileVersionAndStrings(const std::string& path, std::string& version, FileVersionStrings& strings) {
    version.clear();
    size_t size = 0;
    std::vector<char> block = ReadVersionResource(path, size);
    if (block.empty()) return false;
    version = FixedVersionText(block, size);
    ReadStrings(block, size, strings);
    return true;
}

std::string GetLongFileName(const std::string& path) {
    if (path.find('\\') == std::string::npos || path.find_first_of("*?") != std::string::npos) return "";
    // A text longer than any path names nothing to find.
    if (!QV_APIFileAndDisk::CanBePath(path)) return "";
    std::string work = path;
    std::string result;
    bool cut = false;
    for (;;) {
        WIN32_FIND_DATAA fd;
        if (!FindHandle(FindFirstFileA(work.c_str(), &fd))) break;
        std::string name(fd.cFileName, strnlen(fd.cFileName, sizeof fd.cFileName));
        std::string::size_type pos = work.rfind('\\');
        if (pos == std::string::npos) break;
        work.erase(pos);
        cut = true;
        result = result.empty() ? name : name + "\\" + result;
        if (work.find('\\') == std::string::npos) break;
        // A UNC share root ("\\server\share") is the end of the walk.
        if (work.compare(0, 2, "\\\\") == 0 && work.find('\\', 2) != std::string::npos &&
            work.find('\\', work.find('\\', 2) + 1) == std::string::npos)
            break;
    }
    if (!cut) return result;
    return result.empty() ? work : work + "\\" + result;
}

void GetFileTimes(const std::string& path, std::string& creation, std::string& lastAccess, std::string& lastWrite) {
    creation.clear();
    lastAccess.clear();
    lastWrite.clear();
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return;
    creation = LocalTimeText(data.ftCreationTime);
    lastAccess = LocalTimeText(data.ftLastAccessTime);
    lastWrite = LocalTimeText(data.ftLastWriteTime);
}

void GetFileTimes(const std::string& path, std::string& creation, std::string& lastAccess, std::string& lastWrite,
                  std::string& unused) {
    GetFileTimes(path, creation, lastAccess, lastWrite);
    unused.clear();
}

}  // namespace QV_APIFileAndDiskINFO
