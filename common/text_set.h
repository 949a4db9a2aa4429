#pragma once
// A handful of texts without repeats. Kept in a vector: the sets the
// plug-in keeps hold a few entries, and a tree for them would cost the DLL
// more code than it saves time.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace sonarel {

class TextSet {
public:
    bool contains(std::wstring_view text) const { return std::find(texts_.begin(), texts_.end(), text) != texts_.end(); }
    // False when the text was there already.
    bool insert(std::wstring_view text) {
        if (contains(text)) return false;
        texts_.emplace_back(text);
        return true;
    }
    void erase(std::wstring_view text) { std::erase(texts_, text); }
    const std::vector<std::wstring>& texts() const { return texts_; }

private:
    std::vector<std::wstring> texts_;
};

}  // namespace sonarel
