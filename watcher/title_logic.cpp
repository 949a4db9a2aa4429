#include "watcher/title_logic.h"

namespace sonarel {
namespace {

// The word followed by exactly one character ends the title.
bool endsWithWordAndOneMore(std::wstring_view title, std::wstring_view word) {
    if (title.size() < word.size() + 1) return false;
    return title.substr(title.size() - word.size() - 1, word.size()) == word;
}

constexpr std::wstring_view scrollSeparator = L" *** ";

// The title itself, or X + " *** " + the title with X an ending of it.
bool isScrollPosition(std::wstring_view text, std::wstring_view title) {
    if (text == title) return true;
    if (!text.ends_with(title) || text.size() < title.size() + scrollSeparator.size()) return false;
    std::wstring_view head = text.substr(0, text.size() - title.size());
    return head.ends_with(scrollSeparator) && title.ends_with(head.substr(0, head.size() - scrollSeparator.size()));
}

}  // namespace

std::wstring cutAtFirstNul(std::wstring_view buffer) {
    return std::wstring(buffer.substr(0, buffer.find(L'\0')));
}

std::wstring winamp2TitleFromBuffer(std::wstring_view buffer) {
    std::wstring title = cutAtFirstNul(buffer);
    if (title.size() > winamp2MaxTitleChars) title.resize(winamp2MaxTitleChars);
    return title;
}

std::wstring unscrolledTitle(std::wstring_view text, std::wstring_view knownTitle) {
    if (isScrollPosition(text, knownTitle)) return std::wstring(knownTitle);
    for (auto at = text.find(scrollSeparator); at != std::wstring_view::npos;
         at = text.find(scrollSeparator, at + 1)) {
        std::wstring_view title = text.substr(at + scrollSeparator.size());
        if (title.ends_with(text.substr(0, at))) return std::wstring(title);
    }
    return std::wstring(text);
}

bool isStoppedOrPaused(std::wstring_view title) {
    bool stopped = endsWithWordAndOneMore(title, L"Stopped");
    bool paused = endsWithWordAndOneMore(title, L"Paused");
    return stopped || paused;
}

}  // namespace sonarel
