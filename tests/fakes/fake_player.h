#pragma once
// Fakes for the watcher's seams: player windows and a recording switcher.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "watcher/title_logic.h"
#include "watcher/watcher.h"

namespace sonarel::testing {

class FakePlayerWindows final : public PlayerWindows {
public:
    std::map<std::wstring, WindowHandle> handles;  // class name -> handle
    std::wstring winamp3Text;                      // text of the titled Winamp 3 window
    bool winamp3RootPresent = true;
    bool winamp3ClosesDuringRead = false;
    std::wstring winamp2Text;                      // text of the Winamp 2 window
    bool winamp2ClosesBeforeRead = false;
    std::vector<std::wstring> lookups;
    int winamp3Reads = 0;
    int winamp2Reads = 0;

    WindowHandle findTopLevel(std::wstring_view className) override {
        lookups.emplace_back(className);
        auto it = handles.find(std::wstring(className));
        return it == handles.end() ? 0 : it->second;
    }
    std::optional<std::wstring> winamp3Title() override {
        ++winamp3Reads;
        if (winamp3ClosesDuringRead) return std::nullopt;
        return winamp3RootPresent ? winamp3Text : std::wstring();
    }
    // Mimics a 2048-character read: blanks, the text cut to fit, a NUL.
    std::optional<std::wstring> winamp2TitleBuffer() override {
        ++winamp2Reads;
        if (winamp2ClosesBeforeRead) return std::nullopt;
        std::wstring buffer(winamp2BufferChars, L' ');
        std::wstring text = winamp2Text.substr(0, winamp2MaxTitleChars);
        buffer.replace(0, text.size(), text);
        buffer[text.size()] = L'\0';
        return buffer;
    }

    void open(std::wstring_view className, WindowHandle handle = 0x1000) { handles[std::wstring(className)] = handle; }
    void close(std::wstring_view className) { handles.erase(std::wstring(className)); }
};

class RecordingSwitcher final : public NameSwitcher {
public:
    std::vector<std::string> calls;
    std::function<void()> during;          // runs inside each call
    SendOutcome outcome = SendOutcome::sent;  // what every call answers
    LeftBehind leftBehind = LeftBehind::no;  // what a look at the start-up name answers
    int leftBehindLooks = 0;
    // A call answered "sent" puts a name on its way; the next look ends it
    // as this says (underWay: it stays on its way).
    FlightNews::What flightEnds = FlightNews::What::shown;
    bool onItsWay = false;
    std::vector<FlightNews> news;  // told first, one a look, whatever is on its way
    int follows = 0;
    int everyQuickTextGivenBack = 0;

    SendOutcome changeName() override { return record("changeName"); }
    SendOutcome changeNameBack() override { return record("changeNameBack"); }
    LeftBehind listeningNameLeftBehind() override {
        ++leftBehindLooks;
        return leftBehind;
    }
    FlightNews followNameOnItsWay() override {
        ++follows;
        if (!news.empty()) {
            FlightNews told = news.front();
            news.erase(news.begin());
            return told;
        }
        if (!onItsWay) return {};
        if (flightEnds == FlightNews::What::underWay) return {FlightNews::What::underWay};
        onItsWay = false;
        return {flightEnds, lastPlain, L"name", std::chrono::seconds{10}};
    }
    void giveBackEveryQuickText() override { ++everyQuickTextGivenBack; }
    std::vector<std::string> take() { return std::exchange(calls, {}); }

private:
    SendOutcome record(const char* name) {
        calls.emplace_back(name);
        if (during) during();
        if (followsNameOnItsWay(outcome)) {
            onItsWay = true;
            lastPlain = std::string_view(name) == "changeNameBack";
        }
        return outcome;
    }
    bool lastPlain = false;
};

}  // namespace sonarel::testing
