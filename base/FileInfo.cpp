#include "base/FileInfo.h"

#include <shellapi.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/Handle.h"
#include "base/TextCase.h"
#include "base/VBDate.h"

FileInfo::~FileInfo() {
    if (mhIcon) DestroyIcon(mhIcon);
}

void FileInfo::FullPathName(const std::string& name) {
    if (name.empty()) return;
    DWORD n = GetFullPathNameA(name.c_str(), 0, nullptr, nullptr);
    if (n == 0) return;
    std::vector<char> buf(n + 1, '\0');
    DWORD got = GetFullPathNameA(name.c_str(), n + 1, buf.data(), nullptr);
    if (got == 0 || got > n) return;
    std::string full(buf.data(), got);
    if (full.empty()) return;
    mFullPathName = full;
    Refresh();
}

void FileInfo::Refresh() {
    WIN32_FIND_DATAA fd;
    if (!FindHandle(FindFirstFileA(mFullPathName.c_str(), &fd))) {
        mFileExists = false;
        return;
    }
    mFileSize = fd.nFileSizeLow;
    mFileSizeHigh = fd.nFileSizeHigh;
    mAttributes = fd.dwFileAttributes;
    mFileExists = mPathExists = true;
    mCreationTime = FileTimeToDate(fd.ftCreationTime, true);
    mLastAccessTime = FileTimeToDate(fd.ftLastAccessTime, true);
    mModifyTime = FileTimeToDate(fd.ftLastWriteTime, true);

    mFileName = TrimAtNull(std::string(fd.cFileName, strnlen(fd.cFileName, sizeof fd.cFileName)));

    std::string::size_type slash = mFullPathName.rfind('\\');
    if (slash != std::string::npos) {
        std::string folder = mFullPathName.substr(0, slash + 1);
        std::string longFolder = GetLongFolderPath(folder);
        mFilePath = longFolder.empty() ? folder : longFolder;
        if (mFilePath.empty() || mFilePath.back() != '\\') mFilePath += '\\';
    }
    mFullPathName = mFilePath + mFileName;

    std::string::size_type dot = mFileName.rfind('.');
    mFileExtension = dot == std::string::npos ? "" : mFileName.substr(dot + 1);

    std::string alternate = TrimAtNull(std::string(fd.cAlternateFileName,
                                                   strnlen(fd.cAlternateFileName, sizeof fd.cAlternateFileName)));
    mShortName = alternate.empty() ? TextCase::Upper(mFileName) : alternate;

    char shortBuf[MAX_PATH * 2] = {};
    DWORD n = GetShortPathNameA(mFullPathName.c_str(), shortBuf, sizeof shortBuf);
    if (n > 0 && n < sizeof shortBuf) {
        mShortPathName.assign(shortBuf, n);
        mShortPath = mShortPathName.size() >= mShortName.size()
                         ? mShortPathName.substr(0, mShortPathName.size() - mShortName.size())
                         : "";
    }

    DWORD high = 0;
    DWORD low = GetCompressedFileSizeA(mFullPathName.c_str(), &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) low = high = 0;
    mCompressedFileSize = low;

    if (mhIcon) {
        DestroyIcon(mhIcon);
        mhIcon = nullptr;
    }
    SHFILEINFOA sfi = {};
    if (SHGetFileInfoA(mFullPathName.c_str(), 0, &sfi, sizeof sfi, SHGFI_ICON | SHGFI_DISPLAYNAME | SHGFI_TYPENAME)) {
        mhIcon = sfi.hIcon;
        mDisplayName = TrimAtNull(std::string(sfi.szDisplayName, strnlen(sfi.szDisplayName, sizeof sfi.szDisplayName)));
        mTypeName = TrimAtNull(std::string(sfi.szTypeName, strnlen(sfi.szTypeName, sizeof sfi.szTypeName)));
    } else {
        mDisplayName.clear();
        mTypeName.clear();
    }
    if (mTypeName.empty()) {
        mTypeName = TextCase::Upper(mFileExtension) + " File";
        std::string::size_type first = mTypeName.find_first_not_of(' ');
        mTypeName.erase(0, first == std::string::npos ? mTypeName.size() : first);
    }
}

void FileInfo::CreationTime(double date) {
    if (mFileExists && SetFileTimeOf(date, 0)) Refresh();
}

void FileInfo::LastAccessTime(double date) {
    if (mFileExists && SetFileTimeOf(date, 1)) Refresh();
}

void FileInfo::ModifyTime(double date) {
    if (mFileExists && SetFileTimeOf(date, 2)) Refresh();
}

void FileInfo::Attributes(DWORD bits) {
    if (bits != mAttributes && mFileExists && SetFileAttributesOf(bits)) Refresh();
}

void FileInfo::SetBit(DWORD bit, bool on) {
    Attributes(on ? (mAttributes | bit) : (mAttributes & ~bit));
}

std::string FileInfo::FormatFileDate(double date) const {
    SYSTEMTIME st;
    if (!VBDate::ToSystemTime(date, st)) return "";
    char d[128] = {}, t[128] = {};
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_LONGDATE, &st, nullptr, d, sizeof d);
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, t, sizeof t);
    return std::string(d) + " " + t;
}

namespace {

// `value` rounded half away from zero to `digits` decimals, in the user's number format;
// grouped thousands only when asked.
std::string FormatNumber(double value, int digits, bool grouped) {
    double scale = std::pow(10.0, digits);
    long long scaled = std::llround(value * scale);
    char raw[64];
    unsigned long long mag = scaled < 0 ? 0ULL - static_cast<unsigned long long>(scaled) : scaled;
    unsigned long long p = static_cast<unsigned long long>(scale);
    if (digits > 0)
        std::snprintf(raw, sizeof raw, "%s%llu.%0*llu", scaled < 0 ? "-" : "", mag / p, digits, mag % p);
    else
        std::snprintf(raw, sizeof raw, "%s%llu", scaled < 0 ? "-" : "", mag);

    char decimal[8] = ".", thousand[8] = ",";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, sizeof decimal);
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, thousand, sizeof thousand);
    NUMBERFMTA fmt = {};
    fmt.NumDigits = digits;
    fmt.LeadingZero = 1;
    fmt.Grouping = grouped ? 3 : 0;
    fmt.lpDecimalSep = decimal;
    fmt.lpThousandSep = thousand;
    fmt.NegativeOrder = 1;
    char out[128] = {};
    if (!GetNumberFormatA(LOCALE_USER_DEFAULT, 0, raw, &fmt, out, sizeof out)) return raw;
    return out;
}

}  // namespace

std::string FileInfo::FormatFileSize(std::int64_t size) const {
    const std::string bytes = FormatNumber(static_cast<double>(size), 0, true) + " bytes";
    if (size < 1024) return bytes;
    std::int64_t k = size / 1024;
    double kb = size / 1024.0, mb = size / 1048576.0;
    std::string text;
    if (k < 10) text = FormatNumber(kb, 2, false) + "KB";
    else if (k < 100) text = FormatNumber(kb, 1, false) + "KB";
    else if (k < 1000) text = FormatNumber(kb, 0, false) + "KB";
    else if (k < 10000) text = FormatNumber(mb, 2, false) + "MB";
    else if (k < 100000) text = FormatNumber(mb, 1, false) + "MB";
    else if (k < 1000000) text = FormatNumber(mb, 0, false) + "MB";
    else text = FormatNumber(mb / 1024, 2, false) + "GB";
    return text + " (" + bytes + ")";
}

bool FileInfo::DateToFileTime(double date, FILETIME& fileTime, bool fromLocal) {
    SYSTEMTIME st;
    if (!VBDate::ToSystemTime(date, st)) return false;
    FILETIME ft;
    if (!SystemTimeToFileTime(&st, &ft)) return false;
    if (!fromLocal) {
        fileTime = ft;
        return true;
    }
    return LocalFileTimeToFileTime(&ft, &fileTime) != 0;
}

double FileInfo::FileTimeToDate(const FILETIME& fileTime, bool toLocal) {
    FILETIME ft = fileTime;
    if (toLocal && !FileTimeToLocalFileTime(&fileTime, &ft)) return 0;
    SYSTEMTIME st;
    if (!FileTimeToSystemTime(&ft, &st)) return 0;
    return VBDate::FromSystemTime(st);
}

bool FileInfo::SetFileAttributesOf(DWORD bits) {
    return SetFileAttributesA(mFullPathName.c_str(), bits) != 0;
}

bool FileInfo::SetFileTimeOf(double date, int which) {
    FILETIME ft;
    if (!DateToFileTime(date, ft, true)) return false;
    const Handle h(CreateFileA(mFullPathName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h) return false;
    return SetFileTime(h.get(), which == 0 ? &ft : nullptr, which == 1 ? &ft : nullptr, which == 2 ? &ft : nullptr) !=
           FALSE;
}

std::string FileInfo::GetLongFolderPath(const std::string& path) {
    std::string p = path;
    if (!p.empty() && p.back() == '\\') {
        if (p.size() >= 2 && p[p.size() - 2] == ':') return TextCase::Upper(p);
        p.pop_back();
    }
    if (p.compare(0, 2, "\\\\") == 0) {
        std::string::size_type serverEnd = p.find('\\', 2);
        if (serverEnd == std::string::npos || p.find('\\', serverEnd + 1) == std::string::npos) return p;
    }
    std::string::size_type slash = p.rfind('\\');
    if (slash == std::string::npos) return TextCase::Upper(p);
    WIN32_FIND_DATAA fd;
    if (p.find_first_of("*?") != std::string::npos || !FindHandle(FindFirstFileA(p.c_str(), &fd))) return "";
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return "";
    std::string parent = GetLongFolderPath(p.substr(0, slash));
    if (parent.empty()) return "";
    if (parent.back() == '\\') parent.pop_back();
    return parent + "\\" + std::string(fd.cFileName, strnlen(fd.cFileName, sizeof fd.cFileName));
}

std::string FileInfo::TrimAtNull(const std::string& text) {
    std::string::size_type pos = text.find('\0');
    if (pos != std::string::npos) return text.substr(0, pos);
    std::string t = text;
    std::string::size_type end = t.find_last_not_of(' ');
    if (end == std::string::npos) return "";
    t.erase(end + 1);
    t.erase(0, t.find_first_not_of(' '));
    return t;
}
