#pragma once
// Helpers for driving the plug-in's modal windows from inside their modal
// loops, finding their controls and taking screenshots.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <map>
#include <optional>
#include <tuple>
#include <string>
#include <vector>

#include "tests/wine/support/wine_test_support.h"

namespace sonarel::testing {

// Runs steps from a thread timer of the calling thread, so that they run
// while the thread sits in a modal loop (a window's, a message box's).
// When a step is not done by the deadline, the script fails the test and
// closes the thread's windows so that the modal calls come back; should
// its timer not be served at all, a watchdog thread closes them.
class ModalScript {
public:
    explicit ModalScript(std::chrono::milliseconds deadline = 10s);
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;
    ~ModalScript();

    // A step retried on every tick until it returns true.
    ModalScript& waitFor(std::string what, std::function<bool()> condition);
    // A step run once. The steps after it may run while it is still
    // running, so it may open a modal loop of its own.
    ModalScript& then(std::function<void()> action);

    bool finished() const { return next_ == steps_.size(); }
    // Fails the test unless every step ran.
    void expectFinished() const;

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
    void step();
    void rescue();

    struct Step {
        std::string what;
        std::function<bool()> run;
        bool once;
    };
    std::vector<Step> steps_;
    size_t next_ = 0;
    std::chrono::steady_clock::time_point deadline_;
    bool timedOut_ = false;
    UINT_PTR timer_ = 0;
    ModalScript* previous_ = nullptr;

    void watch(DWORD threadId);
    std::mutex mutex_;
    std::condition_variable ended_;
    bool ending_ = false;
    std::atomic<bool> watchdogFired_{false};
    std::thread watchdog_;
};

// Counts the ticks of a thread timer of its own.
class TickCounter {
public:
    TickCounter();
    TickCounter(const TickCounter&) = delete;
    TickCounter& operator=(const TickCounter&) = delete;
    ~TickCounter();
    int ticks() const;

private:
    UINT_PTR timer_;
};

// This thread's top-level window of the class with the caption, or null.
HWND findThreadWindow(const std::wstring& className, const std::wstring& caption);
// All of this thread's top-level windows of the class.
std::vector<HWND> threadWindows(const std::wstring& className);
// The message box of this thread showing the text, or null.
HWND findMessageBox(const std::wstring& text);

std::wstring classOf(HWND window);
std::wstring textOf(HWND window);

// The child windows in their order (the tab order of the plug-in's windows).
std::vector<HWND> childrenInOrder(HWND parent);
// A child's place in its parent's client area.
RECT placeInParent(HWND child);
SIZE clientSize(HWND window);

// Clicks a button from the message queue, as the user would.
void click(HWND button);
// Posts a key press (down and up) to the window.
void pressKey(HWND window, UINT virtualKey);

// A picture of a window as it shows on the screen.
class Screenshot {
public:
    explicit Screenshot(HWND window);
    // The colour at a point of the window's client area.
    COLORREF clientPixel(int x, int y) const;
    // Saves it as PNG, creating the folder.
    void savePng(const std::wstring& path) const;

private:
    int width_ = 0, height_ = 0;
    POINT clientOrigin_{};
    std::vector<DWORD> pixels_;  // top-down 0x00RRGGBB
};

// Where the test run keeps its screenshots: build/screens/.
std::wstring screenshotPath(const std::wstring& fileName);

// The plug-in's settings that the Options window reads and writes; keys
// that are absent are left out.
using StoredOptions = std::map<std::wstring, std::wstring>;
StoredOptions readStoredOptions();
void writeStoredOptions(const StoredOptions& values);

struct ParseCommandAnswer {
    HRESULT hr = E_FAIL;
    bool recognised = false;
    std::wstring sResult;
};
// Calls ParseCommand by name, with sResult by reference.
ParseCommandAnswer parseCommand(IDispatch* plugin, const std::wstring& command, const std::wstring& sResult);

}  // namespace sonarel::testing

namespace sonarel::testing {

// A control as the user finds it: its class, its text and its place in
// the client area of its window, in pixels.
struct ExpectedControl {
    const wchar_t* className;
    const wchar_t* text;
    RECT place;  // left, top, right, bottom
};

// Checks the window's controls, in tab order.
void expectControls(HWND window, const std::vector<ExpectedControl>& expected);

// The font a control draws its text with.
LOGFONTW fontOf(HWND control);
// The text and background colours the window gives a static control.
struct StaticColours {
    COLORREF text;
    COLORREF background;
};
StaticColours staticColours(HWND window, HWND control);

// The DPI the window's device context reports.
int windowDpiX(HWND window);

}  // namespace sonarel::testing

namespace sonarel::testing {

// The System Information tool's two registry locations, emptied for a test
// and put back as they were afterwards.
class SystemInfoRegistry {
public:
    static constexpr const wchar_t* msinfoKey = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    static constexpr const wchar_t* locationKey = L"SOFTWARE\\Microsoft\\Shared Tools Location";

    SystemInfoRegistry();
    SystemInfoRegistry(const SystemInfoRegistry&) = delete;
    SystemInfoRegistry& operator=(const SystemInfoRegistry&) = delete;
    ~SystemInfoRegistry();

    // "PATH" below the MSINFO key, with any type and bytes.
    void setPath(DWORD type, const std::string& bytes);
    void setPath(const std::wstring& path);
    // The MSINFO key without a "PATH" value.
    void createEmptyMsinfoKey();
    // "MSINFO" below the locations key: the tool's folder.
    void setFolder(const std::wstring& folder);

private:
    struct SavedKey {
        bool existed = false;
        std::vector<std::tuple<std::wstring, DWORD, std::vector<BYTE>>> values;
    };
    static SavedKey save(const wchar_t* path);
    static void restore(const wchar_t* path, const SavedKey& saved);
    SavedKey msinfo_, location_;
};

// Copies of the stand-in for the System Information tool, which notes
// where it ran from and its show state when it starts.
class SystemInfoStandIn {
public:
    SystemInfoStandIn();
    SystemInfoStandIn(const SystemInfoStandIn&) = delete;
    SystemInfoStandIn& operator=(const SystemInfoStandIn&) = delete;
    ~SystemInfoStandIn();

    // A folder for the test, removed with everything in it afterwards.
    std::wstring folder(const std::wstring& name);
    // Places a copy of the stand-in at the path (its folder must exist).
    void placeAt(const std::wstring& path);
    // Where the stand-in ran from, once it has started.
    std::optional<std::wstring> startedFrom() const;
    std::optional<DWORD> showState() const;
    void forget();

private:
    std::wstring root_;
    std::vector<std::wstring> copies_;
};

// A plain top-level window of the test, shown above the others.
class TestWindow {
public:
    TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    ~TestWindow();
    HWND handle() const { return window_; }
    void raise() const;

private:
    HWND window_;
};

// Removes the tests' own registry key when nothing is left below it.
void removeTestsKeyIfEmpty();

// True when `upper` lies above `lower` in the order of top-level windows.
bool isAbove(HWND upper, HWND lower);

}  // namespace sonarel::testing
