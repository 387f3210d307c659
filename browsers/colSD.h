// The records of the services-and-devices tab: one per sub-key of
// HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services, keyed by that name (case-insensitive).
#pragma once
#include <string>

#include "base/KeyedCollection.h"

// One service or driver. Plain storage; the scan fills it.
struct clsSD {
    std::string Key;              // the collection key: the service's key name
    bool blnFileExist = false;    // vntImagePathEx names an existing file
    std::string vntDescription;   // the Description value, or "Not defined."
    std::string vntDisplayName;   // the DisplayName value, or the key name
    std::string vntImagePathEx;   // the image file as resolved ("" when there is no ImagePath)
    std::string vntImagePath;     // the ImagePath value as stored, or "Not defined."
    std::string vntRegKey;        // the service's key name
};

class colSD : public KeyedCollection<clsSD> {
public:
    // A new record whose Key is `key`, stored under `sKey` (under `key` when `sKey` is empty).
    Ptr Add(const std::string& key, const std::string& sKey = "") {
        auto rec = std::make_shared<clsSD>();
        rec->Key = key;
        return KeyedCollection<clsSD>::Add(rec, sKey.empty() ? key : sKey);
    }
};
