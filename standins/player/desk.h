#pragma once
// The other programs on the user's desktop, living in the player's process:
// a document the user works in, and a video that can fill the screen. They
// count the keys that reach them.
#include <optional>
#include <string>

#include "standins/support/key_counting_window.h"

namespace sonarel::player {

class Desk {
public:
    // The document comes to the front; it lies away from the screen's
    // centre, where the pointer rests.
    void work();
    // The video covers the whole screen, in front.
    void fullScreen();
    // "keys=N front=document|video|other".
    std::string report() const;

private:
    std::optional<KeyCountingWindow> document_;
    std::optional<KeyCountingWindow> video_;
};

}  // namespace sonarel::player
