#pragma once
// The whole chain in one test thread: the real plug-in created by ProgID
// (so its start-up, timer and form run), a player window, the stand-in
// messenger and the host's quick texts.
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "standins/host/quick_text_host.h"
#include "standins/messenger/standin_messenger.h"
#include "tests/wine/support/wine_test_support.h"

namespace sonarel::testing {

inline constexpr wchar_t kSignin[] = L"ann@example.test";
inline constexpr wchar_t kPlainName[] = L"Ann";
inline constexpr wchar_t kTag[] = L"I'm listening to:";
inline constexpr wchar_t kListeningName[] = L"Ann I'm listening to: (!WAT)";
inline constexpr wchar_t kListeningCommand[] = L"/name Ann I'm listening to: (!WAT)";

// A top-level "Winamp v1.x" window whose text is the title. It counts the
// hot keys that reach it, which belong to a conversation instead, and the
// plug-in's reads of its title, one a tick, so that a test can count the
// plug-in's ticks.
class PlayerWindow {
public:
    PlayerWindow();
    ~PlayerWindow();
    void show(const std::wstring& title);
    void close();
    int strayHotKeys() const { return strayHotKeys_; }
    int titleReads() const { return titleReads_; }

private:
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM);
    HWND window_ = nullptr;
    int strayHotKeys_ = 0;
    int titleReads_ = 0;
};

struct ChainOptions {
    std::wstring signinName = kSignin;
    bool messengerRunning = true;
    // Current-name mode with kTag unless told otherwise.
    bool currentNameMode = true;
    // Creating a messenger object fails with this, when it is a failure.
    HRESULT messengerCreation = S_OK;
    // The messenger names a source interface served through a vtable only.
    bool vtableOnlyEvents = false;
};

class Chain {
public:
    explicit Chain(ChainOptions options = {});
    ~Chain();

    // Creates the plug-in: start-up runs and the timer starts.
    void startPlugin();
    // The user types a host command, such as "/xwinampoff".
    void command(const std::wstring& text);

    standin::StandInMessenger messenger;
    standin::QuickTextHost host;
    PlayerWindow player;

    std::wstring quickTextPath() const;
    // The open conversations with the command contact.
    std::vector<HWND> commandConversations() const;
    bool anyVisible(const std::vector<HWND>& windows) const;
    // Waits until the plug-in has ticked, reading the player's title, n times more.
    bool passTicks(int n) const;

private:
    std::unique_ptr<CleanSettings> settings_;
    ComPtr<IDispatch> plugin_;
};

// A window of another program the user works in, on a thread of its own:
// it counts the key-downs that reach it and notes each time it becomes the
// active window, however briefly. It lies away from the screen's centre,
// where the pointer rests.
class UsersProgram {
public:
    UsersProgram();
    UsersProgram(const UsersProgram&) = delete;
    UsersProgram& operator=(const UsersProgram&) = delete;
    ~UsersProgram();

    HWND window() const { return window_; }
    int keys() const { return keys_; }
    // When it became active (GetTickCount), oldest first.
    std::vector<DWORD> activations() const;
    // The first time it became active at or after the tick, if it did.
    std::optional<DWORD> activatedSince(DWORD tick) const;
    // In front, with the keyboard; false when it did not come there.
    bool bringToFront();

private:
    static DWORD WINAPI run(void* self);
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM);
    HWND window_ = nullptr;
    HANDLE thread_ = nullptr;
    HANDLE ready_ = nullptr;
    std::atomic<int> keys_{0};
    mutable std::mutex lock_;
    std::vector<DWORD> activations_;
};

// The texts the host sent, oldest first.
std::vector<std::wstring> sentTexts(const Chain& chain);
// The user's conversation with a contact in front, a draft in its box; null
// when it did not come to be.
HWND userWritesToBob(Chain& chain, const std::wstring& draft);

}  // namespace sonarel::testing
