#pragma once
// The player's line protocol: one command per line, one reply per command.
#include <string>
#include <string_view>

#include "standins/player/desk.h"
#include "standins/player/player.h"

namespace sonarel::player {

struct Session {
    Player winamp2Player{winamp2};
    Player winamp3Player{winamp3};
    Desk desk;
};

struct Reply {
    std::string text;  // "ok", "ok <report>", "error <reason>" or "bye"
    bool ends = false;
};

// Carries out one command line (UTF-8, without its line break).
Reply execute(Session& session, std::string_view line);

}  // namespace sonarel::player
