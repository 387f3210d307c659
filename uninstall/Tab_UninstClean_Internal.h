// Helpers shared by the parts of the uninstall tab's module.
#pragma once
#include <string>
#include <vector>

namespace Tab_UninstClean::detail {

// True when `text` contains `part`, with the language's InStr rules: an empty text contains
// nothing, an empty part is contained in every non-empty text.
inline bool InStr(const std::string& text, const std::string& part) {
    return !text.empty() && text.find(part) != std::string::npos;
}

// The texts between the separators (an empty text gives none).
inline std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    if (text.empty()) return parts;
    for (size_t start = 0;;) {
        size_t at = text.find(separator, start);
        if (at == std::string::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
}

// Handles waiting window messages, at most every few milliseconds, so that the busy dialog
// stays responsive without a message round trip for every item of a long walk.
void PumpEvents();

// The lower-cased path of a special folder ("" when the system does not know it).
std::string LowerSpecialFolder(int csidl);

// While a scan runs (a ScanMemory object lives), what cannot change during the scan is worked
// out once: whether a file yields an icon, the words of each shortcut, and which components
// the installer lists for each product; the analysis asks for them entry after entry.
class ScanMemory {
public:
    ScanMemory();
    ~ScanMemory();
    ScanMemory(const ScanMemory&) = delete;
    ScanMemory& operator=(const ScanMemory&) = delete;
};
// Whether the file yields an icon.
bool HasIcon(const std::string& path);
// The components the installer lists for a product, in its component order (each once).
const std::vector<std::string>& InstallerComponentsOf(const std::string& productCode);
// The words a shortcut offers to the name matching (see StartMenuTargetScore).
const std::vector<std::string>& TargetWords(const void* target, std::vector<std::string> (*make)(const void*));

}  // namespace Tab_UninstClean::detail
