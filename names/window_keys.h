#pragma once
// The ordered, keyed list of open conversation windows. Free of windows.h.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sonarel {

// "HWND" followed by the handle in decimal, read as a signed 32-bit number.
std::wstring windowKey(std::int32_t hWnd);

// Entries keep the order in which they were added; at most one per key;
// positions count from 1, and removing an entry closes the gap.
template <class T>
class KeyedCollection {
public:
    // False, and nothing added, when the key is already present.
    bool add(std::wstring key, T value) {
        if (find(key) != entries_.end()) return false;
        entries_.emplace_back(std::move(key), std::move(value));
        return true;
    }
    // A key that is not present changes nothing.
    void remove(std::wstring_view key) {
        if (auto it = find(key); it != entries_.end()) entries_.erase(it);
    }
    // Removes the first entry holding the value, whatever its key.
    void removeValue(const T& value) {
        auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.second == value; });
        if (it != entries_.end()) entries_.erase(it);
    }
    const T* at(std::size_t position) const {
        return position >= 1 && position <= entries_.size() ? std::addressof(entries_[position - 1].second) : nullptr;
    }
    const T* at(std::wstring_view key) const {
        auto it = find(key);
        return it == entries_.end() ? nullptr : std::addressof(it->second);
    }
    std::size_t count() const { return entries_.size(); }
    // The values in collection order, copied so that callers may change the
    // collection while they walk the copy.
    std::vector<T> values() const {
        std::vector<T> result;
        result.reserve(entries_.size());
        for (const auto& entry : entries_) result.push_back(entry.second);
        return result;
    }

private:
    using Entry = std::pair<std::wstring, T>;
    typename std::vector<Entry>::const_iterator find(std::wstring_view key) const {
        return std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.first == key; });
    }
    std::vector<Entry> entries_;
};

}  // namespace sonarel
