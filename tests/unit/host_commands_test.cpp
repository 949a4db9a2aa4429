// The published command table and how typed commands are recognised.
#include <gtest/gtest.h>

#include "plugin/host_commands.h"

namespace sonarel {
namespace {

TEST(HostCommands, RecognisesWholeCommandsInAnyLetterCase) {
    struct Case {
        const wchar_t* typed;
        std::optional<HostCommand> command;
    };
    const Case cases[] = {
        {L"/xwinampoptions", HostCommand::Options},
        {L"/xwinampabout", HostCommand::About},
        {L"/xwinampon", HostCommand::On},
        {L"/xwinampoff", HostCommand::Off},
        {L"/XWinampOn", HostCommand::On},
        {L"/XWINAMPOFF", HostCommand::Off},
        {L"xwinampon", std::nullopt},        // the published value, no slash
        {L"/xwinampon ", std::nullopt},      // trailing blank
        {L" /xwinampon", std::nullopt},
        {L"/xwinampon now", std::nullopt},   // an argument in the same string
        {L"/xwinamp", std::nullopt},         // shortened
        {L"/xwinampo", std::nullopt},
        {L"/", std::nullopt},
        {L"", std::nullopt},
        {L"//xwinampon", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(recognisedCommand(c.typed), c.command) << std::string(c.typed, c.typed + wcslen(c.typed));
    }
}

TEST(HostCommands, PublishesFourCommandsByIndex) {
    EXPECT_EQ(publishedCommand(0), std::nullopt);
    EXPECT_EQ(publishedCommand(5), std::nullopt);
    EXPECT_EQ(publishedCommand(-1), std::nullopt);
    const std::pair<const wchar_t*, const wchar_t*> expected[] = {
        {L"Options", L"xwinampoptions"}, {L"About", L"xwinampabout"}, {L"On", L"xwinampon"}, {L"Off", L"xwinampoff"}};
    for (long i = 1; i <= 4; ++i) {
        auto command = publishedCommand(i);
        ASSERT_TRUE(command);
        EXPECT_EQ(command->name, expected[i - 1].first);
        EXPECT_EQ(command->value, expected[i - 1].second);
        // What is published, with a slash, is what is recognised.
        EXPECT_EQ(recognisedCommand(L"/" + std::wstring(command->value)), static_cast<HostCommand>(i));
    }
}

}  // namespace
}  // namespace sonarel
