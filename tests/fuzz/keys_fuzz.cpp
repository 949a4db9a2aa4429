// Collection keys and the ordered collection under random adds and removes,
// and host command recognition on arbitrary text.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "names/window_keys.h"
#include "plugin/host_commands.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sonarel;
    fuzzing::FuzzInput in(data, size);
    KeyedCollection<int> windows;
    std::vector<std::int32_t> model;  // the handles in order, as they should be
    while (!in.empty()) {
        std::int32_t handle = static_cast<std::int32_t>(in.byte() % 8) - 4;
        if (in.byte() & 1) {
            bool known = std::find(model.begin(), model.end(), handle) != model.end();
            if (windows.add(windowKey(handle), handle) == known) std::abort();
            if (!known) model.push_back(handle);
        } else {
            windows.remove(windowKey(handle));
            std::erase(model, handle);
        }
        if (windows.values() != model) std::abort();
    }
    std::wstring typed = fuzzing::FuzzInput(data, size).rest();
    if (auto command = recognisedCommand(typed); command && typed.size() < 2) std::abort();
    return 0;
}
