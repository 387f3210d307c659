#include "registry/colQVRegistry.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "base/QV_Registry_Lib.h"
#include "base/RegEnum.h"
#include "base/RegKey.h"
#include "base/TextCase.h"
#include "base/ValueText.h"
#include "registry/RegistryNodes.h"

namespace {

// One search: the text, the options and the buffers reused from key to key. Each key costs
// one open, one information query (which sizes the buffers and counts the entries, so no
// enumeration call is spent on finding the end), one call per value (name, type and data
// together) and per sub-key, and one close.
class Search {
public:
    Search(colQVRegistry& hits, const std::string& lowerText, bool keys, bool values, bool data, bool whole,
           const bool& cancel)
        : hits_(hits), text_(lowerText), keys_(keys), values_(values), data_(data), whole_(whole), cancel_(cancel) {}

    // Searches the key `name` below the open key `parent` (for the starting key: its whole path
    // below the root); `path` is its path below the root.
    long Key(HKEY parent, const std::string& name, std::string& path) {
        if (cancel_) return 0;
        if (keys_) {
            size_t slash = path.rfind('\\');
            std::string_view last = slash == std::string::npos ? std::string_view(path)
                                                               : std::string_view(path).substr(slash + 1);
            if (Matches(last)) AddHit(path).blnIsKey = true;
        }
        // The library's open takes a path of any length (the ANSI function none beyond MAX_PATH).
        RegKey h;
        long result = 0;
        if (QV_Registry_Lib::OpenKey(parent, name, h.Receive(), 0, QV_Registry_Lib::KEY_READ_ONLY) == 0) {
            result = Contents(h.get(), path);
            h.Close();
        }
        if (hits_.Count() > 0) return 1;
        return result;
    }

private:
    // The values and sub-keys of the open key; returns the error of a failed sub-key
    // enumeration (the other sub-keys are still searched), else 0.
    long Contents(HKEY h, std::string& path) {
        const RegEnum::Counts counts = RegEnum::CountsOf(h);
        reader_.Prepare(counts, data_);
        if ((values_ || data_) && counts.values > 0) Values(h, path, counts.values);

        // An unreadable name is skipped; its later siblings are still searched.
        std::string child;
        return RegEnum::EachEntry(
            counts.subKeys, [&](DWORD i) { return reader_.SubKeyAt(h, i, child); },
            [&](DWORD) {
                const size_t before = path.size();
                path += '\\';
                path += child;
                Key(h, child, path);
                path.resize(before);
            });
    }

    void Values(HKEY h, const std::string& path, DWORD count) {
        // A value that cannot be read is skipped.
        RegEnum::Value value;
        RegEnum::EachEntry(
            count, [&](DWORD i) { return reader_.ValueAt(h, i, data_, value); },
            [&](DWORD) {
                if (values_ && Matches(value.name)) {
                    auto& hit = AddHit(path);
                    hit.vntValue = std::string(value.name);
                    hit.blnIsValue = true;
                }
                if (data_) {
                    // The data as the values lists show it.
                    dataText_ = ValueText::Of(value.type, value.data);
                    if (Matches(dataText_)) {
                        auto& hit = AddHit(path);
                        hit.vntData = dataText_;
                        hit.lngValueDataType = static_cast<long>(value.type);
                        hit.blnIsData = true;
                    }
                }
            });
    }

    bool Matches(std::string_view candidate) {
        if (whole_ && candidate.size() != text_.size()) return false;
        if (candidate.size() < text_.size()) return false;
        lowered_.assign(candidate);
        for (char& c : lowered_) c = TextCase::LowerChar(c);
        return whole_ ? lowered_ == text_ : lowered_.find(text_) != std::string::npos;
    }

    clsQVRegistry_FoundItem& AddHit(const std::string& path) {
        auto hit = hits_.Add(std::to_string(hits_.Count()));
        hit->vntKey = path;
        return *hit;
    }

    colQVRegistry& hits_;
    const std::string& text_;
    const bool keys_, values_, data_, whole_;
    const bool& cancel_;
    RegEnum::Reader reader_;  // its buffers serve every key of the search
    std::string dataText_, lowered_;
};

}  // namespace

colQVRegistry::Ptr colQVRegistry::Add(const std::string& key, const std::string& sKey) {
    auto hit = std::make_shared<clsQVRegistry_FoundItem>();
    hit->Key = key;
    return KeyedCollection<clsQVRegistry_FoundItem>::Add(hit, sKey.empty() ? key : sKey);
}

long colQVRegistry::Find(HKEY root, const std::string& keyPath, const std::string& text, bool inKeys, bool inValues,
                         bool inData, bool wholeOnly, const bool& cancel) {
    Clear();
    std::string path = keyPath;
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return RegistryFind_Rec(root, path, TextCase::Lower(text), inKeys, inValues, inData, wholeOnly, cancel);
}

long colQVRegistry::Find(HKEY root, const std::string& keyPath, const SearchOptions& options, const bool& cancel) {
    return Find(root, keyPath, options.text, options.inKeys, options.inValues, options.inData, options.wholeOnly,
                cancel);
}

SearchOptions colQVRegistry::Options() const {
    return {.text = cstrFindString,
            .inKeys = blnFindInKeys,
            .inValues = blnFindInValues,
            .inData = blnFindInData,
            .wholeOnly = blnFindWholeStringOnly};
}

void colQVRegistry::SetOptions(const SearchOptions& options) {
    cstrFindString = options.text;
    blnFindInKeys = options.inKeys;
    blnFindInValues = options.inValues;
    blnFindInData = options.inData;
    blnFindWholeStringOnly = options.wholeOnly;
}

long colQVRegistry::RegistryFind_Rec(HKEY root, const std::string& keyPath, const std::string& lowerText, bool inKeys,
                                     bool inValues, bool inData, bool wholeOnly, const bool& cancel) {
    const std::string start = keyPath.substr(0, keyPath.find('\0'));
    std::string path = start;
    Search search(*this, lowerText, inKeys, inValues, inData, wholeOnly, cancel);
    return search.Key(root, start, path);
}

colQVRegistry& QVRegistry() {
    static colQVRegistry engine;
    return engine;
}
