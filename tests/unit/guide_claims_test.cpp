// The user's guide, dist/user-guide.txt, claim by claim against the code:
// each caption, trace line and timing that it quotes is the one the code
// has. The build passes the source folder (SONAREL_SOURCE_DIR).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "common/decimal_text.h"
#include "common/name_switcher.h"
#include "common/plugin_name.h"
#include "names/desktop_rules.h"
#include "names/name_composition.h"
#include "names/name_switch.h"
#include "plugin/host_commands.h"
#include "settings/settings_store.h"
#include "watcher/watcher.h"

namespace sonarel::testing {
namespace {

std::string sourceFile(const std::string& path) {
    std::ifstream file(std::string(SONAREL_SOURCE_DIR) + "/" + path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// The guide is plain ASCII; so is every text it quotes from the code.
std::string ascii(std::wstring_view text) {
    std::string narrow;
    for (wchar_t c : text) narrow += c < 0x80 ? static_cast<char>(c) : '?';
    return narrow;
}
std::string number(std::int64_t value) { return ascii(decimalText(value)); }
std::string inQuotes(std::wstring_view text) { return "\"" + ascii(text) + "\""; }

// The guide as one line: its lines wrap anywhere, and a registry path
// goes on, indented, after a backslash.
std::string flowing(const std::string& text) {
    std::string flat;
    for (char c : text) {
        bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t';
        if (!blank) {
            flat += c;
        } else if (!flat.empty() && flat.back() != ' ' && flat.back() != '\\') {
            flat += ' ';
        }
    }
    return flat;
}

const std::string guide = sourceFile("dist/user-guide.txt");
const std::string guideText = flowing(guide);

// The trace lines that the guide lists, as the code writes them (without
// the line end). Every line of the guide that begins "Sonarel: " is one.
std::vector<std::string> tracedLines() {
    using enum SendOutcome;
    const auto listening = NameDecision::listening;
    return {
        ascii(decisionTraceLine(listening)),
        ascii(outcomeTraceLine(listening, sent)),
        ascii(unconfirmedTraceLine(listening, L"Ann on www.radio.test (!WAT)", unconfirmedRetryWaits[1])),
        ascii(outcomeTraceLine(listening, alreadyShows)),
        ascii(outcomeTraceLine(listening, noModeChosen)),
        ascii(outcomeTraceLine(listening, userAway)),
        ascii(outcomeTraceLine(listening, messengerUnavailable)),
        ascii(outcomeTraceLine(listening, notInFront)),
    };
}

// Parts of trace lines that the guide quotes in its explanations, each
// with the whole line the code writes.
struct TracePart {
    std::string quote;
    std::string line;
};
std::vector<TracePart> tracedParts() {
    using enum SendOutcome;
    const auto listening = NameDecision::listening;
    return {
        {"switch to the plain name", ascii(decisionTraceLine(NameDecision::plain))},
        {"the name for not listening is empty", ascii(outcomeTraceLine(listening, notListeningNameEmpty))},
        {"five names were sent in the last minute", ascii(outcomeTraceLine(listening, tooManyNames))},
        {"another name is on its way", ascii(outcomeTraceLine(listening, otherNameOnItsWay))},
        {"the display name could not be read", ascii(outcomeTraceLine(listening, displayNameUnreadable))},
        {"the command could not be stored", ascii(outcomeTraceLine(listening, notStored))},
    };
}

// Names, commands and timings, composed from the code's own constants as
// the guide words them.
std::vector<std::string> composedClaims() {
    // The poll timer's period (see the source claims below).
    constexpr int tickSeconds = 1;
    // The guide words the longest away time as "a minute".
    static_assert(longestAwayAfterMs == 60000);
    const std::string settingsKey = ascii(SettingsStore::keyPath);
    std::vector<std::string> claims{
        inQuotes(pluginDisplayName),
        inQuotes(listeningSuffix),
        inQuotes(std::wstring(nameCommandPrefix) + L"..."),
        inQuotes(commandContact),
        // The key of the settings: the application's, above its section.
        "HKEY_CURRENT_USER\\" + settingsKey.substr(0, settingsKey.rfind('\\')),
        "names of up to " + number(maxDisplayNameLength) + " characters",
        "looked for on the next " + number(confirmationTicks) + " ticks (a second apart)",
        "tried again after " + number(unconfirmedRetryWaits[0].count()) + " seconds, then after " +
            number(unconfirmedRetryWaits[1].count()) + " seconds, then every " +
            number(unconfirmedRetryWaits[2].count() / 60) + " minutes",
        "at most " + number(NameCommandLimit::namesPerWindow) + " names in any " +
            number(NameCommandLimit::window.count()) + " seconds",
        "tried again every second, after " + number(quickRetries) + " failures in a row every " +
            number(slowRetryInterval.count()) + " seconds",
        "no input for a quarter of your screen saver's or lock's time, a minute at most",
        "it follows within " + number(quietBeforeKeysMs / 1000 + tickSeconds) + " seconds of your last input",
    };
    for (long index = 1; index <= publishedCommandCount; ++index)
        claims.push_back("/" + ascii(publishedCommand(index)->value));
    return claims;
}

// What the guide quotes of code that needs windows.h, or of the setup
// script: the source file must hold it (a setup caption without its "&").
struct SourceClaim {
    std::string inGuide;
    std::string file;
    std::string inSource;
};
const SourceClaim sourceClaims[] = {
    {"looks at the player once a second", "watcher/library_startup.cpp", "SetTimer(nullptr, 0, 1000, pollTick)"},
    {"\"a listening name was left behind\"", "watcher/watcher.cpp", "L\"a listening name was left behind\""},
    {"\"Use Current name and...\"", "ui/options_window.cpp", "L\"Use Current name and...\""},
    {"\"Use This Name...\"", "ui/options_window.cpp", "L\"Use This Name...\""},
    {"\"Name when NOT listening to an sound\"", "ui/options_window.cpp", "L\"Name when NOT listening to an sound\""},
    {"\"Name When Listening to a sound\"", "ui/options_window.cpp", "L\"Name When Listening to a sound\""},
    {"\"Save!!!\"", "ui/options_window.cpp", "L\"Save!!!\""},
    {"\"System Info\"", "ui/about_window.cpp", "L\"System Info\""},
    {"\"Only for me\"", "dist/SonarelPL.nsi", "\"Only for me (no administrator rights needed)\""},
    {"\"For all users\"", "dist/SonarelPL.nsi", "\"For all users of this computer\""},
    {"\"Also remove my settings\"", "dist/SonarelPL.nsi", "\"un.Also remove my settings\""},
    {"Start menu folder \"Sonarel Plugin\"", "dist/SonarelPL.nsi", "!define START_FOLDER \"$SMPROGRAMS\\${PRODUCT}\""},
    {"%LOCALAPPDATA%\\Programs\\Sonarel", "dist/SonarelPL.nsi", "\"$LOCALAPPDATA\\Programs\\Sonarel\""},
    {"Sonarel in the Program Files folder", "dist/SonarelPL.nsi", "\"$PROGRAMFILES\\Sonarel\""},
    {"SonarelPL-uninstall.exe", "dist/SonarelPL.nsi", "!define UNINSTALLER \"SonarelPL-uninstall.exe\""},
    {"this guide (SonarelPL-README.txt)", "dist/SonarelPL.nsi", "!define README \"SonarelPL-README.txt\""},
    {"regsvr32 /n /i:user SonarelPL.dll", "plugin/dll_exports.cpp", "L\"user\""},
};

TEST(GuideClaims, TheGuideIsThereAndShort) {
    ASSERT_FALSE(guide.empty()) << "dist/user-guide.txt not found below " << SONAREL_SOURCE_DIR;
    EXPECT_LE(std::count(guide.begin(), guide.end(), '\n'), 200);
    EXPECT_TRUE(std::all_of(guide.begin(), guide.end(), [](char c) { return c > 0; })) << "a character not ASCII";
}

TEST(GuideClaims, TraceLinesAreTheOnesTheCodeWrites) {
    const std::vector<std::string> lines = tracedLines();
    for (const std::string& line : lines)
        EXPECT_NE(guide.find("  " + line + "\n"), std::string::npos) << "not listed in the guide: " << line;

    std::istringstream text(guide);
    for (std::string line; std::getline(text, line);) {
        std::string trimmed = line.substr(std::min(line.find_first_not_of(' '), line.size()));
        if (!trimmed.starts_with("Sonarel: ")) continue;
        EXPECT_NE(std::find(lines.begin(), lines.end(), trimmed), lines.end())
            << "the guide lists a line the code does not write: " << trimmed;
    }
    for (const TracePart& part : tracedParts()) {
        EXPECT_NE(part.line.find(part.quote), std::string::npos) << part.line;
        EXPECT_NE(guideText.find("\"" + part.quote + "\""), std::string::npos) << "not quoted: " << part.quote;
    }
}

TEST(GuideClaims, NamesCommandsAndTimingsAreTheCodes) {
    for (const std::string& claim : composedClaims())
        EXPECT_NE(guideText.find(claim), std::string::npos) << "the guide does not say: " << claim;
}

TEST(GuideClaims, CaptionsAndFilesAreTheSources) {
    for (const SourceClaim& claim : sourceClaims) {
        SCOPED_TRACE(claim.inGuide);
        EXPECT_NE(guideText.find(claim.inGuide), std::string::npos) << "not in the guide";
        std::string source = sourceFile(claim.file);
        std::erase(source, '&');
        EXPECT_NE(source.find(claim.inSource), std::string::npos) << "not in " << claim.file;
    }
}

}  // namespace
}  // namespace sonarel::testing
