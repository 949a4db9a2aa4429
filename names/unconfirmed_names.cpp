#include "names/unconfirmed_names.h"

#include <algorithm>

#include "names/name_composition.h"

namespace sonarel {

std::vector<UnconfirmedNames::Entry>::const_iterator UnconfirmedNames::find(std::wstring_view name) const {
    std::wstring shown = shownForm(name);
    return std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) { return entry.name == shown; });
}

std::chrono::seconds UnconfirmedNames::note(std::wstring_view name, Clock::time_point at) {
    Entry entry;
    entry.name = shownForm(name);
    if (auto known = find(name); known != entries_.end()) {
        entry = std::move(*known);
        entries_.erase(known);
    }
    auto wait = unconfirmedRetryWaits[std::min(entry.unconfirmed, unconfirmedRetryWaits.size() - 1)];
    ++entry.unconfirmed;
    entry.nextTry = at + wait;
    if (entries_.size() >= namesKept) entries_.erase(entries_.begin());
    entries_.push_back(std::move(entry));
    return wait;
}

void UnconfirmedNames::shown(std::wstring_view name) {
    if (auto known = find(name); known != entries_.end()) entries_.erase(known);
}

bool UnconfirmedNames::due(std::wstring_view name, Clock::time_point now) const {
    auto known = find(name);
    return known == entries_.end() || now >= known->nextTry;
}

}  // namespace sonarel
