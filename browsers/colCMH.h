// The records of the file-types tab: one per filename extension under HKEY_CLASSES_ROOT (and
// one per general entry when those are shown), keyed by the registry key name.
#pragma once
#include <string>

#include "base/KeyedCollection.h"

// One extension or general entry. Plain storage; the scan fills it.
struct clsCMH {
    std::string Key;          // the key name: the extension with its dot (".txt") or a general entry's name
    std::string vntRegKey;    // always empty
    std::string vntFileType;  // the extension without its dot; empty for a general entry
    std::string vntDefault;   // the extension key's unnamed value: the name of its file type's key
};

class colCMH : public KeyedCollection<clsCMH> {
public:
    // A new entry whose Key is `key`, stored under `sKey` (without a collection key when `sKey`
    // is empty); its vntDefault and vntRegKey are empty.
    Ptr Add(const std::string& key, const std::string& sKey = "") {
        auto rec = std::make_shared<clsCMH>();
        rec->Key = key;
        return KeyedCollection<clsCMH>::Add(rec, sKey);
    }
};
