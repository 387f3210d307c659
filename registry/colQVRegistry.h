// The registry search engine of the main program: one application-wide object that keeps the
// last confirmed search options (the settings store saves them, the Find dialog shows them), and
// after each search the hits, one clsQVRegistry_FoundItem per matching key name, value name or
// value data.
//
//     colQVRegistry& s = QVRegistry();
//     if (s.Find(HKEY_CLASSES_ROOT, "inifile", options, cancelFlag) == 1)
//         for (const auto& hit : s) ... hit->vntKey ...
#pragma once
#include <windows.h>

#include <string>

#include "base/KeyedCollection.h"

// What a search looks for: the text, and whether key names, value names and value data are
// searched, and whether a name or data must equal the text whole (else contain it).
struct SearchOptions {
    std::string text;
    bool inKeys = true;
    bool inValues = true;
    bool inData = true;
    bool wholeOnly = false;
    bool operator==(const SearchOptions&) const = default;
};

// One hit. vntKey is the path of the key (relative to the searched root) that matched or that
// holds the matching value; a value-name hit carries the value's name, a data hit the data text
// that matched and the value's registry type.
struct clsQVRegistry_FoundItem {
    std::string Key;  // the collection key the hit was added under
    long lngValueDataType = 0;
    std::string vntValue;
    std::string vntKey;
    std::string vntData;
    bool blnIsValue = false;
    bool blnIsData = false;
    bool blnIsKey = false;
};

class colQVRegistry : public KeyedCollection<clsQVRegistry_FoundItem> {
public:
    // The last confirmed search options: plain storage that Find never reads; callers pass the
    // options they search with.
    bool blnFindWholeStringOnly = false;
    bool blnFindOptionEnabled = true;  // the Find dialog was confirmed with OK
    bool blnFindInValues = true;
    bool blnFindInData = true;
    bool blnFindInKeys = true;
    std::string cstrFindString;

    // The stored options as one value, and stored from one.
    SearchOptions Options() const;
    void SetOptions(const SearchOptions& options);

    // A new hit whose Key is `key`, stored under `sKey` (under `key` when `sKey` is empty).
    // A key already held raises the collection's 457.
    Ptr Add(const std::string& key, const std::string& sKey = "");

    // Empties the hit list and searches root\keyPath (one trailing backslash dropped) with its
    // whole sub-tree for `text`, ignoring case: key names (inKeys), value names (inValues) and
    // value data as text (inData; the values lists' text, ValueText::Of) that contain it, or
    // equal it with `wholeOnly`. Hits are keyed "0", "1", ... in the order found (depth first,
    // pre-order). The search stops entering keys once `cancel` is true. Result: 1 when there are hits, else the error of a sub-key
    // enumeration of the starting key, else 0. Registry failures are silent.
    long Find(HKEY root, const std::string& keyPath, const std::string& text, bool inKeys, bool inValues,
              bool inData, bool wholeOnly, const bool& cancel);
    long Find(HKEY root, const std::string& keyPath, const SearchOptions& options, const bool& cancel);
    // The same without emptying the list first and with `lowerText` already in lower case.
    long RegistryFind_Rec(HKEY root, const std::string& keyPath, const std::string& lowerText, bool inKeys,
                          bool inValues, bool inData, bool wholeOnly, const bool& cancel);
};

// The one engine of the program, created on first use.
colQVRegistry& QVRegistry();
