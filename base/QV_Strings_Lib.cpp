#include "base/QV_Strings_Lib.h"

#include <cstdio>

#include "base/VBDate.h"

namespace QV_Strings_Lib {

bool GetFileName(const std::string& path, std::string& name) {
    std::string::size_type pos = path.rfind('\\');
    std::string last = pos == std::string::npos ? path : path.substr(pos + 1);
    if (last.size() >= 3) {
        name = last;
        return false;
    }
    return true;
}

bool GetFileNameOf(std::string path, std::string& name) {
    return GetFileName(path, name);
}

bool GetDirectory(const std::string& path, std::string& folder) {
    if (path.size() == 3) {
        folder = path;
        return true;
    }
    bool unc = path.compare(0, 2, "\\\\") == 0;
    std::string rest = unc ? path.substr(2) : path;
    std::string::size_type pos = rest.rfind('\\');
    if (pos == std::string::npos) return false;
    if (rest.size() < 4) {
        folder.clear();
        return false;
    }
    folder = (unc ? "\\\\" : "") + rest.substr(0, pos);
    return true;
}

std::string ReplaceAll(const std::string& text, const std::string& find, const std::string& replacement) {
    if (find.empty() || find == replacement) return text;
    std::string out;
    out.reserve(text.size());
    std::string::size_type from = 0, at;
    while ((at = text.find(find, from)) != std::string::npos) {
        out.append(text, from, at - from);
        out += replacement;
        from = at + find.size();
    }
    out.append(text, from, std::string::npos);
    return out;
}

void TrimSpaces(std::string& text) {
    std::string::size_type end = text.find_last_not_of(' ');
    if (end == std::string::npos) {
        text.clear();
        return;
    }
    text.erase(end + 1);
    text.erase(0, text.find_first_not_of(' '));
}

std::string GetParentPath(const std::string& path) {
    if (path.size() < 3) return "";
    std::string::size_type pos = path.rfind('\\');
    if (pos == std::string::npos) return "";
    return path.substr(0, pos);
}

std::string DateToMMDDYYYY(const SYSTEMTIME& date) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02u%02u%u", unsigned(date.wMonth), unsigned(date.wDay), unsigned(date.wYear));
    return buf;
}

std::string DateToMMDDYYYY(double date) {
    SYSTEMTIME st;
    if (!VBDate::ToSystemTime(date, st)) return "";
    return DateToMMDDYYYY(st);
}

std::string TrimAtNull(const std::string& text) {
    std::string::size_type pos = text.find('\0');
    return pos == std::string::npos ? text : text.substr(0, pos);
}

}  // namespace QV_Strings_Lib
