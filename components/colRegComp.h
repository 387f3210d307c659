// All component records of the components tab, keyed by their CLSID text (case-insensitive).
#pragma once
#include <string>

#include "base/KeyedCollection.h"
#include "components/clsRegComp.h"

class colRegComp : public KeyedCollection<clsRegComp> {
public:
    // A new record whose Key and vntClassID are `key`, added under `sKey` (without a collection
    // key when `sKey` is empty). A key already held raises the collection's error 457.
    Ptr Add(const std::string& key, const std::string& sKey) {
        auto rec = std::make_shared<clsRegComp>();
        rec->Key = key;
        rec->vntClassID = key;
        return KeyedCollection<clsRegComp>::Add(rec, sKey);
    }
};
