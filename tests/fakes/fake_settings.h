#pragma once
// An in-memory settings store for tests of the pure logic.
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace sonarel::testing {

class FakeSettings final : public Settings {
public:
    FakeSettings() = default;
    FakeSettings(std::initializer_list<std::pair<const std::wstring, std::wstring>> values) : values_(values) {}

    std::wstring ReadSetting(std::wstring_view key) const override {
        ++reads;
        auto it = values_.find(key);
        return it == values_.end() ? std::wstring() : it->second;
    }
    void WriteSetting(std::wstring_view key, std::wstring_view value) override {
        if (refused.count(std::wstring(key))) throw std::runtime_error("the store refuses it");
        values_[std::wstring(key)] = std::wstring(value);
    }
    void RemoveSetting(std::wstring_view key) override {
        if (refused.count(std::wstring(key))) throw std::runtime_error("the store refuses it");
        values_.erase(std::wstring(key));
    }
    std::vector<std::wstring> ListSettings(std::wstring_view prefix) const override {
        std::vector<std::wstring> keys;
        for (const auto& [key, value] : values_)
            if (key.starts_with(prefix)) keys.push_back(key);
        return keys;
    }
    bool holds(std::wstring_view key) const { return values_.count(std::wstring(key)) != 0; }

    mutable int reads = 0;
    std::set<std::wstring> refused;  // keys whose writes fail

private:
    std::map<std::wstring, std::wstring, std::less<>> values_;
};

}  // namespace sonarel::testing
