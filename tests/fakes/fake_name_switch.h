#pragma once
// Fakes for the name switch's seams: messenger, window system, registry.
// Window-system actions are logged in order so tests can check sequences.
#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "names/name_switch.h"

namespace sonarel::testing {

struct Failure : std::runtime_error {
    Failure() : std::runtime_error("fails") {}
};

struct FakeConversationSetup {
    WindowHandle hWnd = 0;
    std::wstring firstContact;
    bool contactFails = false;  // no contacts, or no SigninName
    bool handleFails = false;
};

class FakeConversation final : public Conversation {
public:
    FakeConversation(FakeConversationSetup setup, std::function<void()> forget, std::function<void()> record)
        : setup_(std::move(setup)), forget_(std::move(forget)), record_(std::move(record)) {}
    WindowHandle hWnd() override {
        if (setup_.handleFails) throw Failure();
        return setup_.hWnd;
    }
    std::wstring firstContactSigninName() override {
        if (setup_.contactFails) throw Failure();
        return setup_.firstContact;
    }
    void record() override { record_(); }
    void forget() override { forget_(); }

private:
    FakeConversationSetup setup_;
    std::function<void()> forget_;
    std::function<void()> record_;
};

class FakeMessenger final : public MessengerLink {
public:
    std::wstring friendlyName = L"Ann";
    bool friendlyNameFails = false;
    std::wstring signinName = L"ann@example.test";
    bool signinNameFails = false;
    std::vector<FakeConversationSetup> recorded;
    bool conversationsFail = false;
    enum class Opening { opens, fails, givesNothing } opening = Opening::opens;
    WindowHandle nextOpened = 900;
    std::vector<std::wstring> openedWith;  // contacts passed to instantMessage
    std::vector<size_t> forgotten;         // positions in recorded, as dropped
    int signinReads = 0;

    std::wstring myFriendlyName() override {
        if (friendlyNameFails) throw Failure();
        return friendlyName;
    }
    std::wstring mySigninName() override {
        ++signinReads;
        if (signinNameFails) throw Failure();
        return signinName;
    }
    std::vector<std::unique_ptr<Conversation>> conversations() override {
        if (conversationsFail) throw Failure();
        std::vector<std::unique_ptr<Conversation>> result;
        for (size_t i = 0; i < recorded.size(); ++i)
            result.push_back(std::make_unique<FakeConversation>(
                recorded[i], [this, i] { forgotten.push_back(i); }, [] {}));
        return result;
    }
    // The opened conversation is recorded, once, when the switch asks.
    std::unique_ptr<Conversation> instantMessage(std::wstring_view contact) override {
        openedWith.emplace_back(contact);
        if (opening == Opening::fails) throw Failure();
        if (opening == Opening::givesNothing) return nullptr;
        FakeConversationSetup opened{nextOpened, std::wstring(contact)};
        return std::make_unique<FakeConversation>(opened, [] {}, [this, opened] {
            bool known = std::any_of(recorded.begin(), recorded.end(),
                                     [&](const FakeConversationSetup& r) { return r.hWnd == opened.hWnd; });
            if (!known) recorded.push_back(opened);
        });
    }
};

class FakeWindowSystem final : public WindowSystem {
public:
    WindowHandle foreground = 1;
    std::set<WindowHandle> refusesForeground;
    std::set<WindowHandle> gone;  // windows that no longer exist
    bool refusesKeys = false;
    bool keysUnread = false;  // the conversation in front has not read the last keys
    KeysFate keysFate = KeysFate::read;  // what became of the last keys pressed
    int pendingHides = 0;  // hides not run yet
    int foregroundAttempts = 0;
    std::vector<std::string> log;
    UserActivity activity = UserActivity::idle;
    // What the user begins while a window comes to the front.
    std::map<WindowHandle, UserActivity> activityWhenInFront;
    bool fullScreen = false;
    // Refusals lifted once this process made the last input.
    bool lockedUntilInput = false;
    // A window of a busy thread: in front only once its thread answers; asked
    // again before that, the foreground is nobody's until it does.
    bool activationTakenWhenAnswering = false;
    std::optional<WindowHandle> activationQueued;
    bool threadBusy = false;  // its thread does not answer in time

    UserActivity userActivity() override {
        auto it = activityWhenInFront.find(foreground);
        return it == activityWhenInFront.end() ? activity : it->second;
    }
    bool fullScreenInFront() override { return fullScreen; }
    void claimLastInput() override {
        log.push_back("claim input");
        if (lockedUntilInput) refusesForeground.clear();
    }
    WindowHandle foregroundWindow() override { return foreground; }
    bool exists(WindowHandle window) override { return !gone.count(window); }
    bool setForegroundWindow(WindowHandle window) override {
        ++foregroundAttempts;
        if (refusesForeground.count(window)) return false;
        if (!activationTakenWhenAnswering) {
            foreground = window;
        } else if (std::exchange(activationQueued, window)) {
            foreground = 0;
        }
        return true;
    }
    void hide(WindowHandle window, WindowHandle previousForeground) override {
        log.push_back("hide " + std::to_string(window));
        if (foreground == window) foreground = previousForeground;
        ++pendingHides;
    }
    bool waitUntilAnswering(WindowHandle, std::chrono::milliseconds) override {
        if (threadBusy) return false;
        if (activationQueued) foreground = *std::exchange(activationQueued, std::nullopt);
        return true;
    }
    bool finishPendingHide() override {
        if (keysUnread) return false;
        if (pendingHides) log.push_back("finish hides");
        pendingHides = 0;
        return true;
    }
    bool pressHotKey(WindowHandle into) override {
        bool refused = refusesKeys || foreground != into;
        log.push_back((refused ? "refused in " : "press in ") + std::to_string(foreground));
        return !refused;
    }
    KeysFate lastKeys() override { return keysFate; }
};

class FakeRegistry final : public QuickTextRegistry {
public:
    // A REG_DWORD, a REG_SZ, or any other value as stored.
    using Value = std::variant<std::int32_t, std::wstring, RegistryValue>;
    std::map<std::pair<std::wstring, std::wstring>, Value> values;
    std::vector<std::wstring> writes;  // "path|name", as stored
    std::set<std::wstring> unwritable;  // value names whose writes fail
    std::set<std::wstring> unreadable;  // value names whose reads fail
    std::function<void()> onWrite;      // what happens meanwhile

    std::int32_t readDword(std::wstring_view path, std::wstring_view name) override {
        auto it = values.find({std::wstring(path), std::wstring(name)});
        if (it == values.end() || !std::holds_alternative<std::int32_t>(it->second)) return 0;
        return std::get<std::int32_t>(it->second);
    }
    bool writeDword(std::wstring_view path, std::wstring_view name, std::int32_t data) override {
        return write(path, name, data);
    }
    bool writeString(std::wstring_view path, std::wstring_view name, std::wstring_view data) override {
        return write(path, name, std::wstring(data));
    }
    std::optional<RegistryValue> read(std::wstring_view path, std::wstring_view name) override {
        if (unreadable.count(std::wstring(name))) throw Failure();
        auto stored = value(std::wstring(path), std::wstring(name));
        if (!stored) return std::nullopt;
        if (auto* text = std::get_if<std::wstring>(&*stored)) return textValue(*text);
        if (auto* number = std::get_if<std::int32_t>(&*stored)) {
            auto n = static_cast<std::uint32_t>(*number);
            return RegistryValue{registryNumber, {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                                                  static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)}};
        }
        return std::get<RegistryValue>(*stored);
    }
    bool write(std::wstring_view path, std::wstring_view name, const RegistryValue& raw) override {
        auto text = textOf(raw);
        if (text && textValue(*text) == raw) return write(path, name, Value(*text));
        if (raw.type == registryNumber && raw.data.size() == 4)
            return write(path, name, Value(static_cast<std::int32_t>(raw.data[0] | raw.data[1] << 8 |
                                                                     raw.data[2] << 16 | raw.data[3] << 24)));
        return write(path, name, Value(raw));
    }
    bool remove(std::wstring_view path, std::wstring_view name) override {
        if (unwritable.count(std::wstring(name))) return false;
        values.erase({std::wstring(path), std::wstring(name)});
        return true;
    }
    std::optional<Value> value(const std::wstring& path, const std::wstring& name) const {
        auto it = values.find({path, name});
        if (it == values.end()) return std::nullopt;
        return it->second;
    }

private:
    bool write(std::wstring_view path, std::wstring_view name, Value data) {
        if (onWrite) onWrite();
        if (unwritable.count(std::wstring(name))) return false;
        values[{std::wstring(path), std::wstring(name)}] = std::move(data);
        writes.push_back(std::wstring(path) + L"|" + std::wstring(name));
        return true;
    }
};

}  // namespace sonarel::testing
