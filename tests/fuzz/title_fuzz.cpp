// Title cut, play-state test and scroll positions on arbitrary buffers.
#include <cstdlib>

#include "tests/fuzz/fuzz_input.h"
#include "watcher/title_logic.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sonarel;
    std::wstring buffer = fuzzing::FuzzInput(data, size).rest();
    std::wstring cut = cutAtFirstNul(buffer);
    std::wstring title = winamp2TitleFromBuffer(buffer);
    if (cut.find(L'\0') != std::wstring::npos || title.size() > winamp2MaxTitleChars) std::abort();
    if (buffer.compare(0, cut.size(), cut) != 0) std::abort();
    bool stopped = isStoppedOrPaused(title);
    // The verdict depends only on the end of the title.
    if (title.size() >= 8 && stopped != isStoppedOrPaused(title.substr(title.size() - 8))) std::abort();
    // Every scroll position of the known title is that title, whatever it holds.
    std::wstring scrolled = title.substr(title.size() / 2) + L" *** " + title;
    if (unscrolledTitle(scrolled, title) != title || unscrolledTitle(title, title) != title) std::abort();
    return 0;
}
