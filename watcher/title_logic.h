#pragma once
// What the watcher reads from a player title. Free of windows.h.
#include <cstddef>
#include <string>
#include <string_view>

namespace sonarel {

// Winamp 2's title is read into a buffer of this many characters; the
// last one holds the terminating NUL, so a title keeps at most 2047.
inline constexpr std::size_t winamp2BufferChars = 2048;
inline constexpr std::size_t winamp2MaxTitleChars = winamp2BufferChars - 1;

// The text before the first NUL; all of it when there is none.
std::wstring cutAtFirstNul(std::wstring_view buffer);

// The Winamp 2 title held in a raw window-text buffer: cut at the first NUL
// and never longer than the buffer allows.
std::wstring winamp2TitleFromBuffer(std::wstring_view buffer);

// The title behind a text that the player scrolls in the taskbar: such a
// text is the rest of the title from some position, " *** ", then the whole
// title T ("Lee - Song *** 1. Ann Lee - Song"). A text that is the known
// title or one of its scroll positions gives the known title: a title that
// holds " *** " itself can be split in more than one way. Otherwise a text
// X + " *** " + T, where X is an ending of T (possibly empty), is taken at
// the first " *** " where this holds and gives T; any other text is its own
// title.
std::wstring unscrolledTitle(std::wstring_view text, std::wstring_view knownTitle);

// True when the title shows a stopped or paused player: "Stopped" or
// "Paused" followed by exactly one more character, as in "... [Stopped]".
// The words are case-sensitive; a title too short to hold them is neither.
bool isStoppedOrPaused(std::wstring_view title);

}  // namespace sonarel
