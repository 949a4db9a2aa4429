#pragma once
// One generation of the player as other programs see it: top-level windows
// of fixed classes, one of which carries the title, and a title that follows
// what the player plays.
#include <windows.h>

#include <stdexcept>
#include <string>

#include "common/win32.h"

namespace sonarel::player {

// A command that cannot be carried out; its text is the reason given.
class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Generation {
    const char* name;               // as the commands name it, for messages
    const wchar_t* titledClass;     // the window whose own text is the title
    const wchar_t* popupClass;      // an owned popup, or nullptr for none
    // The title while a song plays; track counts the songs played.
    std::wstring (*playingTitle)(int track, const std::wstring& song);
};

extern const Generation winamp2;
extern const Generation winamp3;

// Registers the window classes of both generations; once per process.
void registerPlayerClasses();

class Player {
public:
    explicit Player(const Generation& generation) : generation_(generation) {}

    void open();
    void close();
    void setTitle(const std::wstring& title);

    // The play state only shapes the title.
    void play(const std::wstring& song);
    void pause() { showPlaying(L" [Paused]"); }
    void stop() { showPlaying(L" [Stopped]"); }
    void resume() { showPlaying(L""); }

private:
    void showPlaying(const wchar_t* ending);
    void requireOpen() const;

    const Generation& generation_;
    // The popup is declared last so that it is destroyed before its owner.
    UniqueWindow titled_;
    UniqueWindow popup_;
    int track_ = 0;        // 0 until the first song
    std::wstring song_;    // the song last played; kept while closed
};

}  // namespace sonarel::player
