#include "watcher/title_logic.h"

namespace sonarel {
namespace {

// The word followed by exactly one character ends the title.
bool endsWithWordAndOneMore(std::wstring_view title, std::wstring_view word) {
    if (title.size() < word.size() + 1) return false;
    return title.substr(title.size() - word.size() - 1, word.size()) == word;
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

std::wstring unscrolledTitle(std::wstring_view text) {
    constexpr std::wstring_view separator = L" *** ";
    for (auto at = text.find(separator); at != std::wstring_view::npos; at = text.find(separator, at + 1)) {
        std::wstring_view title = text.substr(at + separator.size());
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
