// The messenger answering badly: the plug-in keeps ticking, sends no text
// made from a bad answer, presses no key outside a conversation, and once
// the messenger behaves again the next switches reach the host.
#include <gtest/gtest.h>

#include "tests/wine/hardening/hardening_support.h"
#include "tests/wine/support/plugin_environment.h"

namespace sonarel::testing {
namespace {

using standin::Answer;
using standin::EventArgument;
using standin::Member;
using standin::WindowEvent;

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new PluginEnvironment);

const std::wstring kHostUsers = L"Software\\Verdalt\\Quorvex2";

// No sent text and no key of the host's area may come from the answer "42"
// or "not a handle".
void expectNothingMadeOfTheBadAnswer(const DirectChain& chain, const std::string& what) {
    for (const auto& sent : chain.host.sent()) {
        EXPECT_EQ(sent.text.find(L"42"), std::wstring::npos) << what;
        EXPECT_EQ(sent.text.find(L"not a handle"), std::wstring::npos) << what;
    }
    EXPECT_FALSE(regKeyExists(HKEY_CURRENT_USER, kHostUsers + L"\\42")) << what;
    EXPECT_FALSE(regKeyExists(HKEY_CURRENT_USER, kHostUsers + L"\\not a handle")) << what;
}

std::string nameOf(Member member, Answer how) {
    static const char* members[] = {"MyFriendlyName", "MySigninName", "InstantMessage", "hWnd",
                                    "Contacts",       "FirstContact", "SigninName"};
    static const char* answers[] = {"as usual", "failure", "number", "text", "object", "null object", "nothing"};
    return std::string(members[static_cast<int>(member)]) + " answering " + answers[static_cast<int>(how)];
}

TEST(MessengerBadInput, EveryMemberAnsweringBadlyLosesNothing) {
    struct Case {
        Member member;
        std::vector<Answer> answers;
    };
    const std::vector<Case> cases = {
        {Member::MyFriendlyName, {Answer::failure, Answer::number, Answer::object, Answer::nullObject, Answer::nothing}},
        {Member::MySigninName, {Answer::failure, Answer::number, Answer::object, Answer::nothing}},
        {Member::InstantMessage, {Answer::failure, Answer::nothing, Answer::nullObject, Answer::number, Answer::object}},
        {Member::hWnd, {Answer::failure, Answer::text, Answer::object}},
        {Member::Contacts, {Answer::failure, Answer::number, Answer::nullObject, Answer::object}},
        {Member::FirstContact, {Answer::failure, Answer::nothing, Answer::number}},
        {Member::SigninName, {Answer::failure, Answer::number, Answer::object, Answer::nothing}},
    };
    DebugTraceReader trace;
    for (const Case& c : cases) {
        for (Answer how : c.answers) {
            const std::string what = nameOf(c.member, how);
            onNewApartmentThread([&] {
                TraceShownOnFailure shown(trace);
                DirectChain chain;
                Titles titles;
                // Half the cases start with the command conversation open,
                // half have to open it while the messenger answers badly.
                bool openFirst = static_cast<int>(how) % 2 == 0;
                if (openFirst) {
                    ASSERT_TRUE(chain.openCommandConversation(titles.playing())) << what;
                }
                chain.messenger.answer(c.member, how);

                long long before = chain.names.calls();
                switchAndRestore(chain, titles);
                switchAndRestore(chain, titles);
                // Six ticks, four of them deciding; the others may retry.
                EXPECT_GE(chain.names.calls() - before, 4) << what << ": every decision ran";
                EXPECT_LE(chain.names.calls() - before, 6) << what << ": one call a tick at most";
                EXPECT_EQ(chain.player.strayHotKeys(), 0) << what;
                expectNothingMadeOfTheBadAnswer(chain, what);

                chain.messenger.answer(c.member, Answer::asUsual);
                EXPECT_TRUE(deliversAgain(chain, titles)) << what;
            });
        }
    }
}

TEST(MessengerBadInput, NotRegisteredOrFailingCreationKeepsTheTicksGoing) {
    struct Case {
        const char* what;
        ChainOptions options;
    };
    const Case cases[] = {
        {"not registered", ChainOptions{.messengerRunning = false}},
        {"creation failing", ChainOptions{.messengerCreation = E_OUTOFMEMORY}},
        {"creation refused", ChainOptions{.messengerCreation = CO_E_SERVER_EXEC_FAILURE}},
    };
    for (const Case& c : cases) {
        onNewApartmentThread([&] {
            DirectChain chain(c.options);
            Titles titles;
            EXPECT_FALSE(chain.form.messengerConnected()) << c.what;
            HWND bob = chain.messenger.openConversation(L"bob@example.test");
            SetForegroundWindow(bob);
            switchAndRestore(chain, titles);
            EXPECT_GE(chain.names.calls(), 2) << c.what << ": both decisions ran";
            EXPECT_LE(chain.names.calls(), 3) << c.what << ": one call a tick at most";
            EXPECT_FALSE(regKeyExists(HKEY_CURRENT_USER, L"Software\\Verdalt")) << c.what << ": no name to store";
            EXPECT_TRUE(chain.host.sent().empty()) << c.what;
            EXPECT_EQ(chain.player.strayHotKeys(), 0) << c.what;

            // The messenger comes up: it is looked for again within ten
            // seconds, and the switches reach the host.
            chain.messenger.failCreation(S_OK);
            chain.messenger.registerClassObject();
            SetForegroundWindow(bob);
            chain.player.show(titles.playing());
            ASSERT_TRUE(tickUntil(chain, 15, [&] { return !chain.host.sent().empty(); })) << c.what;
            EXPECT_EQ(chain.host.sent().back().text, kListeningCommand) << c.what;
            EXPECT_EQ(chain.host.sent().back().contact, L"Debug.Window") << c.what;
            EXPECT_TRUE(waitUntil([&] { return GetForegroundWindow() == bob; }, 2s)) << c.what;
        });
    }
}

// The sink serves its events through IDispatch only: a messenger that would
// call it through a vtable of its own is not connected. The command
// conversation still carries the switches: the plug-in records the one it
// opens itself.
TEST(MessengerBadInput, EventsThroughAVtableOnlyAreNotConnected) {
    onNewApartmentThread([] {
        DirectChain chain(ChainOptions{.vtableOnlyEvents = true});
        Titles titles;
        EXPECT_FALSE(chain.form.messengerConnected());
        EXPECT_TRUE(chain.form.messengerCreated());
        chain.player.show(titles.playing());
        chain.tick();  // opens it; no event says when it is ready
        chain.tick();
        ASSERT_TRUE(waitUntil([&] { return !chain.host.sent().empty(); }, 2s));
        EXPECT_EQ(chain.host.sent().back().contact, L"Debug.Window");
        EXPECT_EQ(chain.commandConversations().size(), 1u);
        EXPECT_TRUE(deliversAgain(chain, titles));
        EXPECT_EQ(chain.commandConversations().size(), 1u) << "found again by its record";
    });
}

// The user closes the command conversation while the switch is between
// its search and the key press: no key goes astray, the closed one is
// dropped, and a new one carries this switch and the next ones.
TEST(MessengerBadInput, ConversationClosedBetweenSearchAndKeyPress) {
    onNewApartmentThread([] {
        DirectChain chain;
        Titles titles;
        ASSERT_TRUE(chain.openCommandConversation(titles.playing()));
        HWND first = chain.commandConversations().at(0);
        long long sentBefore = chain.host.sentCount();

        chain.messenger.closeConversationWhenContactsAreRead();
        showAndTick(chain, titles.stopped());
        EXPECT_FALSE(IsWindow(first));
        ASSERT_TRUE(waitUntil([&] { return chain.host.sentCount() == sentBefore + 1; }, 2s));
        EXPECT_EQ(chain.host.sent().back().text, L"/name Ann");
        EXPECT_EQ(chain.host.sent().back().contact, L"Debug.Window");
        ASSERT_EQ(chain.commandConversations().size(), 1u);
        EXPECT_NE(chain.commandConversations()[0], first);
        EXPECT_EQ(chain.imWindows->count(), 1u) << "the closed one is dropped";
        EXPECT_EQ(chain.player.strayHotKeys(), 0);

        EXPECT_TRUE(deliversAgain(chain, titles));
        EXPECT_EQ(chain.commandConversations().size(), 1u);
    });
}

// A busy messenger rejects one read of the command conversation's handle.
// Its window is still there, and opening it again would hand back that
// window without a created event: it stays recorded, the decision waits,
// and the next tick sends through it without opening anything.
TEST(MessengerBadInput, OneFailedHandleReadKeepsTheCommandConversation) {
    onNewApartmentThread([] {
        DirectChain chain;
        Titles titles;
        ASSERT_TRUE(chain.openCommandConversation(titles.playing()));
        const std::vector<HWND> command = chain.commandConversations();
        int openings = chain.messenger.instantMessageCalls();
        long long sentBefore = chain.host.sentCount();

        chain.messenger.failNextHandleRead();
        showAndTick(chain, titles.stopped());
        EXPECT_EQ(chain.host.sentCount(), sentBefore) << "the decision waits";
        EXPECT_EQ(chain.imWindows->count(), 1u) << "and the conversation stays recorded";
        chain.tick();
        ASSERT_TRUE(waitUntil([&] { return chain.host.sentCount() == sentBefore + 1; }, 2s));
        EXPECT_EQ(chain.host.sent().back().text, L"/name Ann");
        EXPECT_EQ(chain.messenger.friendlyName(), kPlainName);
        EXPECT_EQ(chain.commandConversations(), command);
        EXPECT_EQ(chain.messenger.instantMessageCalls(), openings);
        EXPECT_TRUE(waitUntil([&] { return !IsWindowVisible(command.at(0)); }, 2s));
        EXPECT_EQ(chain.player.strayHotKeys(), 0);
    });
}

TEST(MessengerBadInput, WindowEventsWithoutAWindowChangeNothing) {
    const EventArgument arguments[] = {EventArgument::objectWithoutHwnd, EventArgument::nullObject,
                                       EventArgument::number, EventArgument::text, EventArgument::none};
    onNewApartmentThread([&] {
        DirectChain chain;
        Titles titles;
        ASSERT_TRUE(chain.openCommandConversation(titles.playing()));
        for (WindowEvent event : {WindowEvent::created, WindowEvent::destroyed})
            for (EventArgument argument : arguments) chain.messenger.raiseWindowEvent(event, argument);
        pumpMessagesFor(100ms);
        EXPECT_EQ(chain.imWindows->count(), 1u);
        switchAndRestore(chain, titles);
        EXPECT_TRUE(deliversAgain(chain, titles));
        EXPECT_EQ(chain.commandConversations().size(), 1u) << "the recorded conversation carried every switch";
        EXPECT_EQ(chain.player.strayHotKeys(), 0);
    });
}

}  // namespace
}  // namespace sonarel::testing
