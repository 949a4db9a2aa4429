// Random messengers, windows and settings through changeName and
// changeNameBack: no key before a command was composed, keys only in the
// command conversation, only once the command and the auto-send mark are
// stored, nothing stored by an attempt that presses nothing, nothing at all
// while the user is at work or away, and the host's registry only below a
// proper user key. Every outcome can come out.
#include <cstdlib>

#include "names/name_switch.h"
#include "tests/fakes/fake_name_switch.h"
#include "tests/fakes/fake_settings.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

using namespace sonarel;
using namespace sonarel::testing;

const wchar_t* const signins[] = {L"ann@example.test", L"", L"a\\b", L"..", L"x"};

void randomise(fuzzing::FuzzInput& in, FakeSettings& settings, FakeMessenger& messenger, FakeWindowSystem& windows) {
    settings.WriteSetting(keys::CurrentName, in.byte() & 1 ? L"1" : L"0");
    settings.WriteSetting(keys::CustomName, in.byte() & 1 ? L"1" : L"");
    settings.WriteSetting(keys::CurrentTag, in.text(8));
    messenger.friendlyName = in.text(12);
    messenger.friendlyNameFails = in.byte() % 4 == 0;
    messenger.signinName = signins[in.byte() % 5];
    messenger.signinNameFails = in.byte() % 5 == 0;
    messenger.conversationsFail = in.byte() % 6 == 0;
    messenger.opening = static_cast<FakeMessenger::Opening>(in.byte() % 3);
    messenger.recorded.clear();
    for (int n = in.byte() % 3; n > 0; --n) {
        messenger.recorded.push_back({static_cast<WindowHandle>(100 + in.byte() % 4),
                                      in.byte() & 1 ? std::wstring(commandContact) : L"Bob", in.byte() % 5 == 0,
                                      in.byte() % 5 == 0});
    }
    windows.foreground = in.byte() % 4 == 0 ? 50 : 1;
    windows.refusesForeground.clear();
    if (in.byte() & 1) windows.refusesForeground.insert(static_cast<WindowHandle>(100 + in.byte() % 4));
    windows.activity = in.byte() % 3 == 0 ? static_cast<UserActivity>(in.byte() % 8) : UserActivity::idle;
    windows.fullScreen = in.byte() % 5 == 0;
    windows.lockedUntilInput = in.byte() & 1;
}

void randomise(fuzzing::FuzzInput& in, FakeRegistry& registry) {
    registry.unwritable.clear();
    if (in.byte() % 6 == 0) registry.unwritable.insert(std::wstring(messageValue));
    if (in.byte() % 6 == 0) registry.unwritable.insert(std::wstring(autoSendValue));
    if (in.byte() % 4 == 0) registry.values.clear();
}

// The host sends at once only a message marked for automatic sending.
bool marked(const FakeRegistry& registry, const std::wstring& signinName) {
    auto path = quickTextKeyPath(signinName);
    auto value = path ? registry.value(*path, std::wstring(autoSendValue)) : std::nullopt;
    return value && std::holds_alternative<std::int32_t>(*value) && std::get<std::int32_t>(*value) != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::FuzzInput in(data, size);
    FakeSettings settings;
    FakeMessenger messenger;
    FakeWindowSystem windows;
    FakeRegistry registry;
    NameSwitch names(settings, messenger, windows, registry, BringToFrontLimit{5, std::chrono::milliseconds(50)});
    while (!in.empty()) {
        // The name on its way, if any, is followed: its keys read, lost or unread.
        if (in.byte() % 3 == 0) {
            windows.keysFate = static_cast<KeysFate>(in.byte() % 3);
            names.followNameOnItsWay();
        }
        randomise(in, settings, messenger, windows);
        randomise(in, registry);
        windows.log.clear();
        registry.writes.clear();
        windows.refusesKeys = in.byte() % 9 == 0;
        int foregroundAttempts = windows.foregroundAttempts;
        size_t openings = messenger.openedWith.size();
        SendOutcome outcome = in.byte() & 1 ? names.changeName() : names.changeNameBack();

        bool pressed = false, stored = false;
        for (const auto& entry : windows.log) pressed = pressed || entry.find(" in ") != std::string::npos;
        for (const auto& write : registry.writes) stored = stored || write.ends_with(L"|Message");

        // The user at work or away: nothing stored, pressed, opened or
        // brought forward; a full-screen program keeps the front.
        bool moved = windows.foregroundAttempts != foregroundAttempts || messenger.openedWith.size() != openings;
        if (windows.activity != UserActivity::idle && (pressed || !registry.writes.empty() || moved)) std::abort();
        if (windows.fullScreen && moved) std::abort();

        // A key is pressed only after this call stored its own command.
        if (!names.commandText() && (pressed || stored)) std::abort();
        // The entry stays lent while the keys may be read; keys that cannot
        // be read any more give it back at once.
        bool lent = pressed && names.nameOnItsWay();
        if (lent && (!stored || !marked(registry, messenger.signinName))) std::abort();
        if (pressed && !lent && windows.keysFate == KeysFate::unread) std::abort();
        // Written only by the attempt that goes on to press the keys.
        if (!pressed && !registry.writes.empty() && outcome != SendOutcome::notStored) std::abort();
        if ((outcome == SendOutcome::sent) != (pressed && !windows.refusesKeys)) std::abort();
        for (const auto& entry : windows.log) {
            auto at = entry.find(" in ");
            if (at != std::string::npos && std::stoul(entry.substr(at + 4)) < 100) std::abort();
        }
        for (const auto& write : registry.writes) {
            auto expected = quickTextKeyPath(messenger.signinName);
            if (!expected || write.rfind(*expected + L"|", 0) != 0) std::abort();
        }
    }
    return 0;
}
