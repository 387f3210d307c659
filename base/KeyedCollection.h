// The one collection of the programs: items in insertion order, a 1-based index, and
// optional keys that are unique and compared without regard to case.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/QV_Err.h"
#include "base/TextCase.h"

template <class T>
class KeyedCollection {
public:
    using Ptr = std::shared_ptr<T>;

    // Adds an item at the end (or before the 1-based position `before`) under an optional key.
    // A key already present raises 457 and changes nothing.
    Ptr Add(Ptr item, const std::string& key = "", long before = 0) {
        std::string folded = TextCase::Lower(key);
        if (!key.empty() && index_.count(folded)) QV_Err::Raise(457, "Collection");
        size_t pos = items_.size();
        if (before > 0) {
            CheckIndex(before);
            pos = static_cast<size_t>(before - 1);
        }
        items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(pos), Entry{key, std::move(item)});
        if (pos + 1 < items_.size()) Reindex(pos);
        else if (!key.empty()) index_[folded] = pos;
        return items_[pos].item;
    }

    // Creates a default item under the key and returns it.
    Ptr Add(const std::string& key) { return Add(std::make_shared<T>(), key); }

    long Count() const { return static_cast<long>(items_.size()); }
    bool Exists(const std::string& key) const { return index_.count(TextCase::Lower(key)) != 0; }

    // The item under the key; a missing key raises 5.
    Ptr Item(const std::string& key) const {
        auto it = index_.find(TextCase::Lower(key));
        if (it == index_.end()) QV_Err::Raise(5, "Collection");
        return items_[it->second].item;
    }
    // The item at the 1-based index; an index out of range raises 9.
    Ptr Item(long index) const {
        CheckIndex(index);
        return items_[static_cast<size_t>(index - 1)].item;
    }
    // The item under the key, or null when there is none.
    Ptr Find(const std::string& key) const {
        auto it = index_.find(TextCase::Lower(key));
        return it == index_.end() ? nullptr : items_[it->second].item;
    }
    // The key an item was added under ("" for a keyless item).
    const std::string& KeyAt(long index) const {
        CheckIndex(index);
        return items_[static_cast<size_t>(index - 1)].key;
    }

    void Remove(const std::string& key) {
        auto it = index_.find(TextCase::Lower(key));
        if (it == index_.end()) QV_Err::Raise(5, "Collection");
        Erase(it->second);
    }
    void Remove(long index) {
        CheckIndex(index);
        Erase(static_cast<size_t>(index - 1));
    }
    void Clear() {
        items_.clear();
        index_.clear();
    }

    // Iteration over the items in order, as For Each does.
    struct Entry {
        std::string key;
        Ptr item;
    };
    class Iterator {
    public:
        explicit Iterator(typename std::vector<Entry>::const_iterator it) : it_(it) {}
        const Ptr& operator*() const { return it_->item; }
        Iterator& operator++() { ++it_; return *this; }
        bool operator!=(const Iterator& o) const { return it_ != o.it_; }
    private:
        typename std::vector<Entry>::const_iterator it_;
    };
    Iterator begin() const { return Iterator(items_.begin()); }
    Iterator end() const { return Iterator(items_.end()); }

private:
    void CheckIndex(long index) const {
        if (index < 1 || index > Count()) QV_Err::Raise(9, "Collection");
    }
    void Erase(size_t pos) {
        if (!items_[pos].key.empty()) index_.erase(TextCase::Lower(items_[pos].key));
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(pos));
        Reindex(pos);
    }
    void Reindex(size_t from) {
        for (size_t i = from; i < items_.size(); ++i)
            if (!items_[i].key.empty()) index_[TextCase::Lower(items_[i].key)] = i;
    }

    std::vector<Entry> items_;
    std::unordered_map<std::string, size_t> index_;
};
