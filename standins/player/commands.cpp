#include "standins/player/commands.h"

#include <charconv>
#include <functional>
#include <map>

namespace sonarel::player {
namespace {

// Titles of this many characters and more are not needed by any test.
constexpr int longestTitle = 100000;

std::wstring fromUtf8(std::string_view text) {
    if (text.empty()) return {};
    int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                   nullptr, 0);
    if (size <= 0) throw CommandError("the text is not UTF-8");
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size);
    return result;
}

// "0123456789" repeated and cut to the length asked for.
std::wstring countingTitle(std::string_view length) {
    int n = -1;
    auto [end, failure] = std::from_chars(length.data(), length.data() + length.size(), n);
    if (failure != std::errc() || end != length.data() + length.size() || n < 0 || n > longestTitle)
        throw CommandError("long2 needs a length from 0 to " + std::to_string(longestTitle));
    std::wstring title;
    for (int i = 0; i < n; ++i) title += static_cast<wchar_t>(L'0' + i % 10);
    return title;
}

struct Command {
    bool takesArgument;
    std::function<void(Session&, std::string_view)> run;
};

Command plain(void (Player::*action)(), Player Session::*player) {
    return {false, [=](Session& s, std::string_view) { ((s.*player).*action)(); }};
}

Command withText(void (Player::*action)(const std::wstring&), Player Session::*player) {
    return {true, [=](Session& s, std::string_view argument) { ((s.*player).*action)(fromUtf8(argument)); }};
}

const std::map<std::string, Command, std::less<>>& commands() {
    static const std::map<std::string, Command, std::less<>> table{
        {"open2", plain(&Player::open, &Session::winamp2Player)},
        {"close2", plain(&Player::close, &Session::winamp2Player)},
        {"title2", withText(&Player::setTitle, &Session::winamp2Player)},
        {"play2", withText(&Player::play, &Session::winamp2Player)},
        {"pause2", plain(&Player::pause, &Session::winamp2Player)},
        {"stop2", plain(&Player::stop, &Session::winamp2Player)},
        {"resume2", plain(&Player::resume, &Session::winamp2Player)},
        {"long2", {true, [](Session& s, std::string_view n) { s.winamp2Player.setTitle(countingTitle(n)); }}},
        {"open3", plain(&Player::open, &Session::winamp3Player)},
        {"close3", plain(&Player::close, &Session::winamp3Player)},
        {"title3", withText(&Player::setTitle, &Session::winamp3Player)},
        {"play3", withText(&Player::play, &Session::winamp3Player)},
        {"pause3", plain(&Player::pause, &Session::winamp3Player)},
        {"stop3", plain(&Player::stop, &Session::winamp3Player)},
        {"resume3", plain(&Player::resume, &Session::winamp3Player)},
        {"work", {false, [](Session& s, std::string_view) { s.desk.work(); }}},
        {"fullscreen", {false, [](Session& s, std::string_view) { s.desk.fullScreen(); }}},
    };
    return table;
}

}  // namespace

// The command is the text before the first blank; its argument is all of
// the rest after that one blank, further blanks included.
Reply execute(Session& session, std::string_view line) {
    size_t blank = line.find(' ');
    std::string_view name = line.substr(0, blank);
    bool hasArgument = blank != std::string_view::npos;
    std::string_view argument = hasArgument ? line.substr(blank + 1) : std::string_view();

    if (name == "quit") return {"bye", true};
    if (name == "desk" && !hasArgument) return {"ok " + session.desk.report()};
    auto command = commands().find(name);
    if (command == commands().end()) return {"error unknown command: " + std::string(name)};
    if (hasArgument && !command->second.takesArgument) return {"error " + std::string(name) + " takes no argument"};
    try {
        command->second.run(session, argument);
        return {"ok"};
    } catch (const CommandError& error) {
        return {std::string("error ") + error.what()};
    }
}

}  // namespace sonarel::player
