// Name composition with arbitrary stored texts and display names.
#include <cstdlib>

#include "names/name_composition.h"
#include "tests/fakes/fake_settings.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sonarel;
    fuzzing::FuzzInput in(data, size);
    testing::FakeSettings settings;
    for (auto key : {keys::CurrentName, keys::CustomName, keys::CurrentTag, keys::CustomNameNotPl, keys::CustomNamePl,
                     keys::CustomTagPl}) {
        settings.WriteSetting(key, in.byte() & 1 ? std::wstring(L"1") : in.text(40));
    }
    std::wstring friendly = in.text(200);
    FriendlyNameReader reader = [&] { return friendly; };
    auto listening = composeListeningCommand(settings, reader);
    auto plain = composePlainCommand(settings, reader);
    if (listening.has_value() != plain.has_value()) {
        // Only the friendly name can make one mode compose and not the other.
        if (!friendly.empty()) std::abort();
    }
    if (listening && (listening->rfind(nameCommandPrefix, 0) != 0 || !listening->ends_with(listeningSuffix)))
        std::abort();
    if (plain && plain->rfind(nameCommandPrefix, 0) != 0) std::abort();
    std::wstring base = plainName(friendly, settings.ReadSetting(keys::CurrentTag));
    if (friendly.compare(0, base.size(), base) != 0) std::abort();
    return 0;
}
