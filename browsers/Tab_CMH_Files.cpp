// Where a file type's icon is, and the lookup of a program file on the search path.
#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "base/FileLookup.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/QV_Err.h"
#include "browsers/Tab_CMH.h"
#include "registry/RegistryNodes.h"

namespace {
constexpr char kModule[] = "Tab_CMH";
}  // namespace

using FileLookup::ExistingFile;

namespace Tab_CMH {

const char* const NodePrefix = "File_Type_";

namespace {

// The folders a bare program name is looked for in (PATH's, then the Windows folders), read
// once per scan, or by the first search before any scan.
FileLookup::SearchFolderCache g_searchFolders(FileLookup::WindowsFolders::AfterPath);

std::string Trim(const std::string& text) {
    size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    return text.substr(b, text.find_last_not_of(' ') - b + 1);
}

// The icon index of the text after a separator: a leading "-" marks a resource identifier;
// a text that is not a number gives 0.
void ParseIndex(std::string text, IconLocation& icon) {
    icon.resourceId = !text.empty() && text[0] == '-';
    if (icon.resourceId) text.erase(0, 1);
    text = Trim(text);
    char* end = nullptr;
    const double v = text.empty() ? 0 : std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v) || std::fabs(v) > 2147483647.0) {
        icon.index = 0;
        return;
    }
    icon.index = std::lround(v);
}

// Splits at the last `separator`: the index after it, the location before it.
void SplitAt(IconLocation& icon, char separator) {
    const size_t at = icon.location.rfind(separator);
    ParseIndex(icon.location.substr(at + 1), icon);
    icon.location.erase(at);
}

// The walk from the right: the longest leading part (of three characters or more, and short
// enough to be a path) that is an existing file.
bool ShortenToFile(const std::string& text, std::string& found) {
    return QV_APIFileAndDisk::TryLeadingParts(text, 3, [&](const std::string& t) { return ExistingFile(t, found); });
}

}  // namespace

void InitSearchPaths() { g_searchFolders.Read(); }

IconLocation ParseIconLocation(const std::string& text) {
    IconLocation icon;
    for (char c : text)
        if (c != '"') icon.location += c;
    if (icon.location.find(',') != std::string::npos) SplitAt(icon, ',');
    if (icon.index == 0 && icon.location.find('%') != std::string::npos && icon.location[0] != '%')
        SplitAt(icon, '%');
    return icon;
}

bool FindFileOnSearchPath(const std::string& location, std::string& found) {
    // A file type's program is the system's: a 32-bit program on 64-bit Windows looks for it in
    // the system folder the system names, not in its own redirected one.
    FileLookup::NativeSystemFolder native;
    bool ok = false;
    TrapErrors(kModule, "FindFileOnSearchPath", [&] {
        std::string l = location;
        if (ExistingFile(l, found) || ShortenToFile(l, found)) {
            ok = true;
            return;
        }
        if (l.find('\\') == std::string::npos) {
            size_t slash = l.find('/');
            if (slash != std::string::npos) {
                l = l.substr(0, slash);
                l.erase(l.find_last_not_of(' ') == std::string::npos ? 0 : l.find_last_not_of(' ') + 1);
            }
            if (g_searchFolders.Find(l, found)) {
                ok = true;
                return;
            }
        } else if (size_t first = l.find('%'); first != std::string::npos) {
            // A "%" without its closing "%" names no variable: nothing is expanded. Every
            // reference to the first name is, in one bounded pass.
            if (l.find('%', first + 1) != std::string::npos) {
                l = QV_APIFileAndDisk::ExpandReferences(l, QV_APIFileAndDisk::EnvironmentValue, true);
                if (ExistingFile(l, found)) {
                    ok = true;
                    return;
                }
            }
        }
        ok = ShortenToFile(l, found);
    });
    return ok;
}

}  // namespace Tab_CMH
