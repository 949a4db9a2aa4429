#include "standins/player/player.h"

#include "standins/support/window_class.h"

namespace sonarel::player {
namespace {

std::wstring winamp2Playing(int track, const std::wstring& song) {
    return std::to_wstring(track) + L". " + song + L" - Winamp";
}

std::wstring winamp3Playing(int, const std::wstring& song) { return song + L" - Winamp3"; }

// Text of the popup: never the title, so a reader that reads the popup
// instead of its owner is caught.
constexpr const wchar_t* popupText = L"Winamp3 root window";

UniqueWindow createWindow(const wchar_t* className, DWORD exStyle, DWORD style, HWND owner, const wchar_t* text) {
    HWND window = CreateWindowExW(exStyle, className, text, style, CW_USEDEFAULT, CW_USEDEFAULT, 275, 116, owner,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) throw CommandError("cannot create a window of class " + toAnsi(className));
    return UniqueWindow(window);
}

}  // namespace

const Generation winamp2{"winamp2", L"Winamp v1.x", nullptr, winamp2Playing};
const Generation winamp3{"winamp3", L"studio", L"basewindow_rootwnd", winamp3Playing};

void registerPlayerClasses() {
    for (const wchar_t* className : {winamp2.titledClass, winamp3.titledClass, winamp3.popupClass})
        registerWindowClass(className, DefWindowProcW);
}

// Created hidden: the player must not take the foreground from the
// conversation windows that keystrokes go to.
void Player::open() {
    if (titled_) throw CommandError(std::string(generation_.name) + " is already open");
    titled_ = createWindow(generation_.titledClass, 0, WS_OVERLAPPEDWINDOW, nullptr, L"");
    // A popup with an owner: GetParent of it returns the owner.
    if (generation_.popupClass)
        popup_ = createWindow(generation_.popupClass, WS_EX_TOOLWINDOW, WS_POPUP, titled_.get(), popupText);
}

void Player::close() {
    requireOpen();
    popup_.reset();
    titled_.reset();
}

void Player::setTitle(const std::wstring& title) {
    requireOpen();
    if (!SetWindowTextW(titled_.get(), title.c_str())) throw CommandError("cannot set the title");
}

// A different song moves the track counter on; the same one keeps it.
void Player::play(const std::wstring& song) {
    requireOpen();
    if (track_ == 0 || song != song_) ++track_;
    song_ = song;
    showPlaying(L"");
}

void Player::showPlaying(const wchar_t* ending) {
    requireOpen();
    if (track_ == 0) throw CommandError(std::string(generation_.name) + " has played nothing yet");
    setTitle(generation_.playingTitle(track_, song_) + ending);
}

void Player::requireOpen() const {
    if (!titled_) throw CommandError(std::string(generation_.name) + " is not open");
}

}  // namespace sonarel::player
