#pragma once
// Connects a messenger object's conversation-window events to handlers.
// The contract names the events but not their ids, so the event interface
// and the ids are looked up in the messenger's own type information.
#include <ocidl.h>

#include <functional>

#include "common/com.h"

namespace sonarel {

using WindowEventHandler = std::function<void(IDispatch* pIMWindow)>;

class MessengerEventConnection {
public:
    // Throws when the messenger offers no such events.
    MessengerEventConnection(IDispatch* messenger, WindowEventHandler onCreated, WindowEventHandler onDestroyed);
    MessengerEventConnection(const MessengerEventConnection&) = delete;
    MessengerEventConnection& operator=(const MessengerEventConnection&) = delete;
    // Disconnects; no handler runs after this.
    ~MessengerEventConnection();

private:
    class Sink;
    ComPtr<IConnectionPoint> point_;
    ComPtr<Sink> sink_;
    DWORD cookie_ = 0;
};

}  // namespace sonarel
