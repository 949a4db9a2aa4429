// Name composition with arbitrary stored texts and display names: names
// always fit, keep their suffix, and never end a shortened part inside a
// surrogate pair.
#include <cstdlib>

#include "names/name_composition.h"
#include "settings/kept_quick_text.h"
#include "tests/fakes/fake_settings.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

// A cut text is a prefix of the text and the mark, fits its room, and
// does not end in the first half of a surrogate pair.
bool cutWell(const std::wstring& text, size_t room, const std::wstring& cut) {
    if (cut == text) return text.size() <= room;
    if (room == 0) return cut.empty();
    if (cut.size() > room || cut.empty() || cut.back() != sonarel::shortenedMark) return false;
    size_t kept = cut.size() - 1;
    bool splitsAPair = kept > 0 && cut[kept - 1] >= 0xD800 && cut[kept - 1] <= 0xDBFF && text[kept] >= 0xDC00 &&
                       text[kept] <= 0xDFFF;
    return text.compare(0, kept, cut, 0, kept) == 0 && !splitsAPair;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sonarel;
    fuzzing::FuzzInput in(data, size);
    testing::FakeSettings settings;
    for (auto key : {keys::CurrentName, keys::CustomName, keys::CurrentTag, keys::CustomNameNotPl, keys::CustomNamePl,
                     keys::CustomTagPl}) {
        settings.WriteSetting(key, in.byte() & 1 ? std::wstring(L"1") : in.text(in.byte() & 1 ? 160 : 40));
    }
    ShowingName showing;
    if (in.byte() & 1) showing.displayName = in.text(200);
    if (in.byte() % 4 == 0) showing.replacedName = in.text(200);
    auto listening = composeListeningName(settings, showing);
    auto plain = composePlainName(settings, showing);
    // Both compose, or neither does.
    if (listening.has_value() != plain.has_value()) std::abort();
    if (listening && (!listening->name.ends_with(listeningSuffix) || listening->name.size() > maxDisplayNameLength))
        std::abort();
    if (plain && plain->size() > maxDisplayNameLength) std::abort();
    std::wstring text = in.text(200);
    size_t room = in.byte();
    if (!cutWell(text, room, shortened(text, room))) std::abort();
    if (showing.displayName) {
        // The plain name begins the name as given, or as a messenger that collapses blanks shows it.
        std::wstring base = plainName(*showing.displayName, settings.ReadSetting(keys::CurrentTag));
        bool begins = showing.displayName->starts_with(base);
        std::wstring collapsed;
        for (wchar_t c : *showing.displayName)
            if (c != L' ' || collapsed.empty() || collapsed.back() != L' ') collapsed += c;
        if (!begins && !collapsed.starts_with(base)) std::abort();
    }
    // Kept quick texts read back as written; anything else reads as nothing or as a value.
    KeptQuickText kept;
    if (in.byte() & 1) kept.message = textValue(in.text(40));
    if (in.byte() & 1) kept.autoSend = RegistryValue{in.byte(), {in.byte(), in.byte()}};
    kept.written = in.text(60);
    if (decodeKeptQuickText(encodeKeptQuickText(kept)) != kept) std::abort();
    if (auto decoded = decodeKeptQuickText(in.rest()); decoded && !decodeKeptQuickText(encodeKeptQuickText(*decoded)))
        std::abort();
    return 0;
}
