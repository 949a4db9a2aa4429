#pragma once
// Names the messenger did not show when they were sent. A server refuses a
// name that changes too often or holds certain words, and asking again at
// once is what it punishes: the same name waits longer after each send that
// did not show, whichever song or decision asks for it. Free of windows.h.
#include <array>
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sonarel {

// The waits after the first, second and third send of a name that did not
// show; the last repeats.
inline constexpr std::array<std::chrono::seconds, 3> unconfirmedRetryWaits{
    std::chrono::seconds{10}, std::chrono::seconds{60}, std::chrono::seconds{300}};

class UnconfirmedNames {
public:
    using Clock = std::chrono::steady_clock;
    // The names kept; an older one, not asked for since, starts afresh.
    static constexpr std::size_t namesKept = 16;

    // A send of the name did not show at `at`: how long it waits now.
    std::chrono::seconds note(std::wstring_view name, Clock::time_point at);
    // The name showed: it starts afresh.
    void shown(std::wstring_view name);
    // True when the name may be sent at `now`.
    bool due(std::wstring_view name, Clock::time_point now) const;

private:
    struct Entry {
        std::wstring name;  // as the messenger shows it
        std::size_t unconfirmed = 0;
        Clock::time_point nextTry;
    };
    std::vector<Entry>::const_iterator find(std::wstring_view name) const;

    std::vector<Entry> entries_;  // the most recently noted last
};

}  // namespace sonarel
