#include "tests/wine/names/direct_chain.h"

#include "common/one_shot_timer.h"

namespace sonarel::testing {
namespace {

const std::wstring kHostRoot = L"Software\\Verdalt";

}  // namespace

DirectChain::DirectChain(ChainOptions options)
    : clean_(std::make_unique<CleanSettings>()), messenger(options.signinName, kPlainName), host(messenger) {
    deleteRegTree(HKEY_CURRENT_USER, kHostRoot);
    if (options.currentNameMode) {
        settings.WriteSetting(keys::CurrentName, L"1");
        settings.WriteSetting(keys::CurrentTag, kTag);
    }
    settings.WriteSetting(keys::onOff, L"1");
    messenger.failCreation(options.messengerCreation);
    messenger.offerVtableOnlyEvents(options.vtableOnlyEvents);
    if (options.messengerRunning) messenger.registerClassObject();
    form.whenCommandConversationOpens([this] { watcher.commandConversationReady(); });
    form.load();
    // Input of an earlier test program, or a window that an earlier case
    // closed under the pointer, would count as the user typing when the
    // first tick comes; the plug-in's own keys in this process do not.
    keepUserPresent();
    waitForInputQuiet();
}

DirectChain::~DirectChain() {
    player.close();
    waitUntil([] { return pendingOneShots() == 0; }, 1s);
    deleteRegTree(HKEY_CURRENT_USER, kHostRoot);
}

bool DirectChain::tickAndDeliver(std::chrono::milliseconds deadline) {
    tick();
    return waitUntil([&] { return host.sentCount() >= names.calls() - names.unsent; }, deadline);
}

bool DirectChain::openCommandConversation(const std::wstring& title) {
    player.show(title);
    long long sent = host.sentCount();
    tick();
    if (!waitUntil([&] { return imWindows->count() == 1 && host.sentCount() > sent && pendingOneShots() == 0; }, 5s))
        return false;
    return settle();
}

// A tick that finds the name showing ends its send.
bool DirectChain::settle() {
    for (int ticks = 0; ticks < 5 && form.nameOnItsWay(); ++ticks) {
        tick();
        pumpMessagesFor(20ms);
    }
    return !form.nameOnItsWay();
}

std::vector<HWND> DirectChain::commandConversations() const {
    std::vector<HWND> windows;
    for (const auto& c : messenger.conversations())
        if (c.contact == L"Debug.Window") windows.push_back(c.window);
    return windows;
}

}  // namespace sonarel::testing
