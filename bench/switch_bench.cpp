// One changeName through the whole chain in this process: the plug-in's
// name switch over the stand-in messenger, the registry and the window
// system, and the stand-in host that sends the text. The switch's seams are
// wrapped so that each phase is timed where it begins:
//   composition   from the call until the first sign-in name read
//   registry      from there until the first window-system call (the
//                 AutoSend mark and the Message write, with their reads of
//                 the sign-in name)
//   conversation  from there until SendInput (foreground class, search of
//                 the recorded conversations, bring to front)
//   key press     from SendInput until the host has recorded the text
#include "bench/switch_bench.h"

#include <cstdio>

#include "bench/measure.h"
#include "names/messenger_contract.h"
#include "names/messenger_link.h"
#include "names/quick_text_registry.h"
#include "common/one_shot_timer.h"
#include "names/win32_window_system.h"
#include "tests/wine/names/direct_chain.h"

namespace sonarel::bench {
namespace {

using namespace sonarel::testing;

struct Marks {
    double start = 0, checks = 0, window = 0, signin = 0, press = 0, returned = 0, recorded = 0;
};

class TimedMessenger final : public MessengerLink {
public:
    TimedMessenger(MessengerLink& real, Marks& marks) : real_(real), marks_(marks) {}
    std::wstring myFriendlyName() override { return real_.myFriendlyName(); }
    // The composition reads it too: the registry phase begins with the
    // first read after the conversation is looked for.
    std::wstring mySigninName() override {
        if (marks_.window && !marks_.signin) marks_.signin = nowMicroseconds();
        return real_.mySigninName();
    }
    std::vector<std::unique_ptr<Conversation>> conversations() override { return real_.conversations(); }
    std::unique_ptr<Conversation> instantMessage(std::wstring_view contact) override {
        return real_.instantMessage(contact);
    }

private:
    MessengerLink& real_;
    Marks& marks_;
};

class TimedWindows final : public WindowSystem {
public:
    explicit TimedWindows(Marks& marks) : marks_(marks) {}
    WindowHandle foregroundWindow() override {
        if (!marks_.window) marks_.window = nowMicroseconds();
        return real_.foregroundWindow();
    }
    bool exists(WindowHandle window) override { return real_.exists(window); }
    bool setForegroundWindow(WindowHandle window) override { return real_.setForegroundWindow(window); }
    void hide(WindowHandle window, WindowHandle previousForeground) override {
        real_.hide(window, previousForeground);
    }
    bool finishPendingHide() override { return real_.finishPendingHide(); }
    bool waitUntilAnswering(WindowHandle window, std::chrono::milliseconds within) override {
        return real_.waitUntilAnswering(window, within);
    }
    bool pressHotKey(WindowHandle into) override {
        marks_.press = nowMicroseconds();
        return real_.pressHotKey(into);
    }
    KeysFate lastKeys() override { return real_.lastKeys(); }
    UserActivity userActivity() override {
        if (!marks_.checks) marks_.checks = nowMicroseconds();
        return real_.userActivity();
    }
    bool fullScreenInFront() override { return real_.fullScreenInFront(); }
    void claimLastInput() override { real_.claimLastInput(); }

private:
    Win32WindowSystem real_;
    Marks& marks_;
};

void row(const char* phase, const std::vector<double>& samples) {
    Timing t = summarize(samples);
    std::printf("| %-58s | %9.1f | %9.1f - %9.1f |\n", phase, t.median, t.p10, t.p90);
}

}  // namespace

void benchmarkSwitch(int repetitions) {
    DirectChain chain;
    if (!chain.openCommandConversation(L"1. Artist - Song - Winamp")) {
        std::printf("The command conversation was not opened; no figures.\n");
        return;
    }
    // The switch under measure shares the form's record of the windows.
    ComPtr<IDispatch> messengerAPI = createMessenger();
    ComPtr<IMessenger> windows = makeComObject<IMessenger>(chain.imWindows);
    ComMessengerLink link(messengerAPI, windows);
    Marks marks;
    TimedMessenger messenger(link, marks);
    TimedWindows windowSystem(marks);
    CurrentUserQuickTexts registry;
    NameSwitch names(chain.settings, messenger, windowSystem, registry);
    chain.host.onSent = [&](const standin::SentText&) { marks.recorded = nowMicroseconds(); };

    std::vector<double> composition, checks, conversation, registryWrites, keyPress, returned, whole, viaForm;
    int lost = 0;
    // One through the seams under measure, then one through the form itself
    // (untimed inside), in turn, so that drift hits both alike.
    // The user's plain name shows before each: a listening name that shows
    // already is not sent again.
    auto plainShows = [&] { chain.messenger.setFriendlyName(kPlainName); };
    // One name is on its way at a time: a tick that finds it showing ends
    // its send, and only then can the next one go.
    auto nameShown = [&] {
        for (int ticks = 0; ticks < 5 && names.nameOnItsWay(); ++ticks) {
            names.followNameOnItsWay();
            pumpMessagesFor(20ms);
        }
        return !names.nameOnItsWay();
    };
    auto viaTheForm = [&](bool keep) {
        plainShows();
        long long before = chain.host.sentCount();
        marks.recorded = 0;
        double start = nowMicroseconds();
        chain.form.changeName();
        bool arrived = waitUntil([&] { return chain.host.sentCount() > before; }, 5s);
        waitUntil([] { return pendingOneShots() == 0; }, 1s);
        arrived = chain.settle() && arrived;
        if (!arrived) ++lost;
        if (arrived && keep) viaForm.push_back(marks.recorded - start);
    };
    for (int i = 0; i < repetitions + 5; ++i) {
        keepUserPresent();  // a minute without input would be the user away
        marks = {};
        plainShows();
        long long before = chain.host.sentCount();
        marks.start = nowMicroseconds();
        names.changeName();
        marks.returned = nowMicroseconds();
        bool arrived = waitUntil([&] { return chain.host.sentCount() > before; }, 5s);
        waitUntil([] { return pendingOneShots() == 0; }, 1s);  // the next one starts quiet
        arrived = nameShown() && arrived;
        viaTheForm(i >= 5);
        if (!arrived || !marks.press) {
            ++lost;
            continue;
        }
        if (i < 5) continue;  // warm-up
        composition.push_back(marks.checks - marks.start);
        checks.push_back(marks.window - marks.checks);
        conversation.push_back(marks.signin - marks.window);
        registryWrites.push_back(marks.press - marks.signin);
        keyPress.push_back(marks.recorded - marks.press);
        returned.push_back(marks.returned - marks.start);
        whole.push_back(marks.recorded - marks.start);
    }
    chain.host.onSent = nullptr;

    std::printf("| phase of one changeName | median, us | p10 - p90, us |\n|---|---|---|\n");
    row("composition (settings reads, MyFriendlyName)", composition);
    row("the user at work or away, full screen", checks);
    row("conversation (search, bring to front, the user again)", conversation);
    row("registry (AutoSend mark, Message write, the record, sign-in name reads)", registryWrites);
    row("key press (SendInput until the host recorded the text)", keyPress);
    row("changeName itself (call until it returns)", returned);
    row("whole switch (call until the host recorded the text)", whole);
    row("whole switch through frmSendText", viaForm);
    std::printf("\n(%zu repetitions, %zu through the form; %d switches did not reach the host; the stand-in "
                "messenger runs in this process, so its calls cost no process switch)\n",
                whole.size(), viaForm.size(), lost);
}

}  // namespace sonarel::bench
