// The setup program and its uninstaller run as a person runs them: started
// without /S, each of their windows waited for and read, then answered with
// key presses through SendInput. Wine's user is an administrator, so "For
// all users" comes chosen on the scope page; the refusal to install for all
// users without elevation cannot be tried here.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <sstream>
#include <vector>

#include "sonarel_version.h"
#include "standins/support/user_input.h"
#include "tests/wine/installer/installer_support.h"
#include "tests/wine/ui/ui_test_support.h"

namespace sonarel::testing {
namespace {

// What a person presses: keys together (a chord such as Alt+N), or text.
struct Press {
    std::vector<WORD> chord;
    std::wstring text;
};
Press key(WORD virtualKey) { return {{virtualKey}, {}}; }
Press alt(char mnemonic) { return {{VK_MENU, static_cast<WORD>(mnemonic)}, {}}; }
Press shift(WORD virtualKey) { return {{VK_SHIFT, virtualKey}, {}}; }
Press type(std::wstring text) { return {{}, std::move(text)}; }

// A control the window shows: its whole text, or a part of it; for a check
// box or an option button, whether it is ticked.
struct Shown {
    std::wstring text;
    bool whole = true;
    std::optional<bool> ticked;
};
Shown shows(std::wstring text) { return {std::move(text), true, std::nullopt}; }
Shown mentions(std::wstring text) { return {std::move(text), false, std::nullopt}; }
Shown ticked(std::wstring text, bool state) { return {std::move(text), true, state}; }

// A file the messenger holds open, as it does the DLL it has loaded.
struct Scene {
    UniqueHandle heldDll;
};
using SceneAction = std::function<void(Scene&)>;

// One window of the setup: found by a text that it alone shows (never the
// text of the window before it, so that keys still on their way cannot be
// taken for an answer), read, pictured, then answered.
struct Step {
    Step(std::wstring window, std::vector<Shown> shows, std::wstring screenshot, std::vector<Press> presses,
         SceneAction before = {})
        : window(std::move(window)), shows(std::move(shows)), screenshot(std::move(screenshot)),
          presses(std::move(presses)), before(std::move(before)) {}
    std::wstring window;
    std::vector<Shown> shows;
    std::wstring screenshot;  // a file in build/screens/, or none
    std::vector<Press> presses;
    SceneAction before;  // what happens before the keys
};

enum class Installed { nothing, forMe };
// The uninstaller is the one the installed-programs entry names; it goes on
// in a temporary copy of itself.
enum class Program { setup, uninstaller };

struct SetupCase {
    const char* name;
    std::wstring switches;
    SceneAction prepare;
    std::vector<Step> steps;
    DWORD exitCode;
    Installed installed;
    bool guideOpened;
    Program program = Program::setup;
    std::function<void()> check = {};  // what else the run left
};

// ------------------------------------------------------------- the setup

// The setup in a job of its own, so that every program it starts is known.
class SetupRun {
public:
    explicit SetupRun(std::wstring command) : job_(CreateJobObjectW(nullptr, nullptr)) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits));
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION started{};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                            &startup, &started))
            throw std::runtime_error("the setup did not start");
        process_.reset(started.hProcess);
        UniqueHandle thread(started.hThread);
        AssignProcessToJobObject(job_.get(), process_.get());
        ResumeThread(thread.get());
    }

    // True for a process that the setup is or started.
    bool owns(DWORD processId) const {
        struct {
            JOBOBJECT_BASIC_PROCESS_ID_LIST list;
            ULONG_PTR more[15];
        } ids{};
        ids.list.NumberOfAssignedProcesses = 16;
        if (!QueryInformationJobObject(job_.get(), JobObjectBasicProcessIdList, &ids, sizeof(ids), nullptr))
            return false;
        const ULONG_PTR* first = ids.list.ProcessIdList;
        const ULONG_PTR* last = first + ids.list.NumberOfProcessIdsInList;
        return std::find(first, last, processId) != last;
    }
    bool ended() const { return active() == 0; }

    std::optional<DWORD> exitCode(std::chrono::milliseconds deadline) const {
        if (!waitUntil([this] { return WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0; }, deadline))
            return std::nullopt;
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        return code;
    }

    // Once the setup and whatever it started have ended: how many programs
    // ran, the setup included.
    std::optional<DWORD> programsRun(std::chrono::milliseconds deadline) const {
        if (!waitUntil([this] { return ended(); }, deadline)) return std::nullopt;
        return accounting().TotalProcesses;
    }

private:
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting() const {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION counts{};
        counts.ActiveProcesses = 1;
        QueryInformationJobObject(job_.get(), JobObjectBasicAccountingInformation, &counts, sizeof(counts), nullptr);
        return counts;
    }
    DWORD active() const { return accounting().ActiveProcesses; }

    UniqueHandle job_;
    UniqueHandle process_;
};

// ------------------------------------------------------- its windows

BOOL CALLBACK collectWindow(HWND window, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

std::vector<HWND> visibleControls(HWND window) {
    std::vector<HWND> all, visible;
    EnumChildWindows(window, collectWindow, reinterpret_cast<LPARAM>(&all));
    for (HWND control : all)
        if (IsWindowVisible(control)) visible.push_back(control);
    return visible;
}

// A control's text as it shows it: GetWindowText does not ask the
// controls of another process, an edit box's text is its own.
std::wstring shownText(HWND control) {
    std::wstring text(static_cast<size_t>(SendMessageW(control, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(
        SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

bool matches(HWND control, const Shown& shown) {
    std::wstring text = shownText(control);
    if (shown.whole ? text != shown.text : text.find(shown.text) == std::wstring::npos) return false;
    return !shown.ticked || (SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED) == *shown.ticked;
}

bool showsAll(HWND window, const std::vector<Shown>& expected) {
    std::vector<HWND> controls = visibleControls(window);
    for (const Shown& shown : expected)
        if (std::none_of(controls.begin(), controls.end(), [&](HWND control) { return matches(control, shown); }))
            return false;
    return true;
}

// The setup's visible top-level window that shows the text.
HWND findSetupWindow(const SetupRun& setup, const std::wstring& text) {
    std::vector<HWND> windows;
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (IsWindowVisible(window) && showsAll(window, {mentions(text)}) && setup.owns(owner)) return window;
    }
    return nullptr;
}

// Keys go to the window that has the keyboard when they are taken from
// the queue: the window must be in front, enabled (no message box over
// it), and its control must have the focus; an Edit control for text.
bool readyFor(HWND window, const std::vector<Press>& presses) {
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    if (GetForegroundWindow() != window || !IsWindowEnabled(window) ||
        !GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread) || !IsChild(window, thread.hwndFocus))
        return false;
    bool typesText = std::any_of(presses.begin(), presses.end(), [](const Press& press) { return !press.text.empty(); });
    return !typesText || classOf(thread.hwndFocus) == L"Edit";
}

void press(const Press& what) {
    if (what.text.empty()) return typeChord(what.chord);
    typeText(what.text);
}

std::string describe(HWND window) {
    std::ostringstream texts;
    for (HWND control : visibleControls(window)) {
        std::wstring text = shownText(control);
        std::wstring line = classOf(control) + L": " + text;
        if (!text.empty()) texts << "\n  " << toAnsi(line);
    }
    return texts.str();
}

// True when the control shows more than one colour in the picture.
bool drawn(const Screenshot& picture, HWND window, HWND control) {
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
    COLORREF first = picture.clientPixel(place.left, place.top);
    for (int y = place.top; y < place.bottom; ++y)
        for (int x = place.left; x < place.right; ++x)
            if (picture.clientPixel(x, y) != first) return true;
    return false;
}

// A page is drawn a moment after its controls are there: pictured once
// every control with a text shows it.
void saveScreenshot(HWND window, const std::wstring& fileName) {
    std::optional<Screenshot> picture;
    bool complete = waitUntil([&] {
        picture.emplace(window);
        auto controls = visibleControls(window);
        return std::all_of(controls.begin(), controls.end(), [&](HWND control) {
            return shownText(control).empty() || drawn(*picture, window, control);
        });
    });
    EXPECT_TRUE(complete) << "the window was not drawn whole";
    picture->savePng(screenshotPath(fileName));
}

void take(const SetupRun& setup, const Step& step, Scene& scene) {
    SCOPED_TRACE(std::string(step.window.begin(), step.window.end()));
    HWND window = nullptr;
    bool ready = waitUntil(
        [&] {
            window = findSetupWindow(setup, step.window);
            return setup.ended() || (window && showsAll(window, step.shows) && readyFor(window, step.presses));
        },
        20s);
    ASSERT_TRUE(ready && window) << "the window did not come, or not as expected; it shows:"
                                 << (window ? describe(window) : std::string(" nothing"));
    if (!step.screenshot.empty()) saveScreenshot(window, step.screenshot);
    if (step.before) step.before(scene);
    for (const Press& what : step.presses) press(what);
}

// ------------------------------------------------------- what it left

// Stands in for the viewer of .txt files: notes what it was asked to show.
class TextViewer {
public:
    static constexpr const wchar_t* marks = L"Software\\Sonarel Tests\\Text Viewer";
    static constexpr const wchar_t* progId = L"SonarelTests.TextViewer";

    TextViewer() : saved_(readRegText(HKEY_CLASSES_ROOT, L".txt", nullptr)) {
        writeRegText(HKEY_CLASSES_ROOT, std::wstring(progId) + L"\\shell\\open\\command", nullptr,
                     L"\"" + besideTestProgram(L"setup_pages_test.exe") + L"\" --show \"%1\"");
        writeRegText(HKEY_CLASSES_ROOT, L".txt", nullptr, progId);
        forget();
    }
    TextViewer(const TextViewer&) = delete;
    TextViewer& operator=(const TextViewer&) = delete;
    ~TextViewer() {
        if (saved_) writeRegText(HKEY_CLASSES_ROOT, L".txt", nullptr, *saved_);
        deleteRegTree(HKEY_CLASSES_ROOT, progId);
        forget();
    }

    std::optional<std::wstring> shown() const { return readRegText(HKEY_CURRENT_USER, marks, L"Shown"); }
    void forget() const {
        deleteRegTree(HKEY_CURRENT_USER, marks);
        removeTestsKeyIfEmpty();
    }

private:
    std::optional<std::wstring> saved_;
};

std::wstring longPath(const std::wstring& path) {
    wchar_t full[MAX_PATH] = {};
    GetLongPathNameW(path.c_str(), full, MAX_PATH);
    return lower(full);
}

// What a user opens from the finish page: a short text for Notepad, which
// names the setup that installed it.
void expectUsersGuide(const std::wstring& path) {
    std::string guide = fileBytes(path);
    EXPECT_TRUE(guide.starts_with("Sonarel Plugin - user's guide\r\n"));
    size_t lines = 0;
    for (size_t end = guide.find('\n'); end != std::string::npos; end = guide.find('\n', end + 1), ++lines)
        EXPECT_TRUE(end > 0 && guide[end - 1] == '\r') << "a line without a Windows line end: " << lines + 1;
    EXPECT_LE(lines, 200u);
    const std::wstring setup = setupPath().substr(setupPath().rfind(L'\\') + 1);
    EXPECT_NE(guide.find(toAnsi(setup)), std::string::npos) << "the guide names another version's setup";
}

void expectOutcome(const SetupCase& row, const TextViewer& viewer, const SetupRun& setup) {
    // Read once the viewer, and whatever else the setup started, has ended.
    std::optional<DWORD> programs = setup.programsRun(30s);
    ASSERT_TRUE(programs) << "a program that the setup started still runs";
    if (row.check) row.check();
    if (row.installed == Installed::forMe) {
        expectInstalledIn(HKEY_CURRENT_USER, userFolder);
    } else {
        expectNothingRegisteredIn(HKEY_CURRENT_USER);
        EXPECT_FALSE(exists(userFolder));
    }
    expectNothingRegisteredIn(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(exists(machineFolder));

    std::optional<std::wstring> shown = viewer.shown();
    if (!row.guideOpened) {
        // The uninstaller goes on in a copy of itself. Under Wine, saving the
        // Start menu's shortcut starts Wine's menu builder, a program too.
        DWORD expected = row.program == Program::uninstaller ? 2u : row.installed == Installed::forMe ? 2u : 1u;
        EXPECT_EQ(*programs, expected) << "the setup started a program";
        EXPECT_FALSE(shown);
        return;
    }
    const std::wstring guide = userFolder + L"\\SonarelPL-README.txt";
    EXPECT_EQ(longPath(shown.value_or(L"")), lower(guide));
    expectUsersGuide(guide);
}

void removeWhatWasInstalled() {
    if (regKeyExists(HKEY_CURRENT_USER, uninstallKey)) runUninstall(HKEY_CURRENT_USER, userFolder);
    if (regKeyExists(HKEY_LOCAL_MACHINE, uninstallKey)) runUninstall(HKEY_LOCAL_MACHINE, machineFolder);
}

// ------------------------------------------------------------- the cases

const std::wstring forMe = L"Only for &me (no administrator rights needed)";
const std::wstring forAll = L"For &all users of this computer";
const std::wstring guideBox = L"&Show the user's guide";

Step licence(std::wstring screenshot = L"") {
    return {L"License Agreement", {mentions(L"If you accept the terms of the agreement")}, std::move(screenshot),
            {alt('A')}};
}
// The setup's pages name the version as the About window does.
const std::wstring branding = L"Sonarel Plugin " + fromAnsi(SONAREL_VERSION_TEXT);

Step scope(bool allUsersChosen, std::vector<Press> presses, std::wstring screenshot = L"") {
    return {L"Choose Users",
            {ticked(forMe, !allUsersChosen), ticked(forAll, allUsersChosen), mentions(branding)},
            std::move(screenshot),
            std::move(presses)};
}
Step folder(const std::wstring& shown, std::vector<Press> presses, std::wstring screenshot = L"") {
    return {L"Choose Install Location", {shows(shown)}, std::move(screenshot), std::move(presses)};
}
Step finish(std::vector<Press> presses, std::wstring screenshot = L"") {
    return {L"Completing Sonarel Plugin Setup",
            {mentions(L"Restart the messenger"), mentions(L"type /xwinampoptions"),
             mentions(L"The user's guide stays in the Start menu"), ticked(guideBox, true)},
            std::move(screenshot),
            std::move(presses)};
}
Step quitQuestion() { return {L"Are you sure you want to quit Sonarel Plugin Setup?", {}, L"", {alt('Y')}}; }
Step listeningNote(std::wstring screenshot = L"") {
    return {L"may still read as listening",
            {mentions(L"type /xwinampoff in a conversation"), mentions(L"set your name by hand"),
             mentions(L"Your own quick text on Alt+0 is given back")},
            std::move(screenshot),
            {alt('N')}};
}
Step uninstallChoice(std::wstring screenshot = L"") {
    return {L"the plug-in is unregistered and its files are removed",
            {mentions(L"Your own quick text on Alt+0 is given back")},
            std::move(screenshot),
            {alt('U')}};
}
Step uninstallDone() { return {L"Uninstall was completed successfully", {}, L"", {alt('C')}}; }

// A listening name sent for the sign-in name, and shown or put back since.
void recordName(bool listeningMayShow) {
    const std::wstring separator(1, L'\x1f');
    writeRegText(HKEY_CURRENT_USER, recordKey, (L"NameRecord " + lower(signinName)).c_str(),
                 (listeningMayShow ? L"1" : L"0") + separator + L"Ann" + separator + L"Ann I'm listening to: (!WAT)");
}

std::vector<SetupCase> setupCases() {
    const std::wstring outside = L"C:\\Sonarel";
    const SceneAction nothing;
    return {
        {"a per-user install through every page", L"", nothing,
         {licence(L"setup-licence.png"),
          scope(true, {alt('M'), alt('N')}, L"setup-scope.png"),
          folder(userFolder, {alt('I')}, L"setup-folder.png"),
          finish({alt('F')}, L"setup-finish.png")},
         0, Installed::forMe, true},

        {"an all-users folder outside Program Files is refused, and the page stays", L"", nothing,
         {licence(),
          scope(true, {alt('N')}),
          folder(machineFolder, {key(VK_END), shift(VK_HOME), type(outside), alt('I')}),
          {L"where only administrators can change the files", {}, L"setup-refused.png", {key(VK_RETURN)}},
          folder(outside, {alt('B')}),
          scope(true, {alt('M'), alt('N')}),
          folder(userFolder, {key(VK_ESCAPE)}),
          quitQuestion()},
         1, Installed::nothing, false},

        {"an upgrade while the messenger holds the DLL: retry once it lets go", L"",
         [](Scene& scene) {
             ASSERT_EQ(runSetup(L""), 0u);
             // Marked, so that only an upgrade makes it the built DLL again.
             appendTo(userFolder + L"\\SonarelPL.dll", "installed copy");
             scene.heldDll.reset(CreateFileW((userFolder + L"\\SonarelPL.dll").c_str(), GENERIC_READ,
                                             FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
             ASSERT_NE(scene.heldDll.get(), INVALID_HANDLE_VALUE);
         },
         {licence(),
          scope(true, {alt('M'), alt('N')}),
          folder(userFolder, {alt('I')}),
          {L"SonarelPL.dll is in use", {mentions(L"Close the messenger, then click Retry")}, L"setup-in-use.png",
           {alt('R')}, [](Scene& scene) { scene.heldDll.reset(); }},
          finish({alt('S'), alt('F')})},
         0, Installed::forMe, false},

        {"cancel on the folder page", L"", nothing,
         {licence(), scope(true, {alt('N')}), folder(machineFolder, {key(VK_ESCAPE)}), quitQuestion()},
         1, Installed::nothing, false},

        {"a silent install opens nothing", L"/S", nothing, {}, 0, Installed::forMe, false},

        {"an uninstall with a listening name recorded: the first page says how to put the plain name back", L"",
         [](Scene&) {
             ASSERT_EQ(runSetup(L""), 0u);
             recordName(true);
         },
         {listeningNote(L"uninstall-note.png"), uninstallChoice(), uninstallDone()},
         0, Installed::nothing, false, Program::uninstaller},

        {"an uninstall with the plain name back: no note", L"",
         [](Scene&) {
             ASSERT_EQ(runSetup(L""), 0u);
             recordName(false);
             writeRegText(HKEY_CURRENT_USER, recordKey, L"RecordListeningSent", L"0");
         },
         {uninstallChoice(L"uninstall-choice.png"), uninstallDone()},
         0, Installed::nothing, false, Program::uninstaller},

        {"an uninstall while the plug-in borrows Alt+0 (the older record): the user's own quick text comes back", L"",
         [](Scene&) {
             ASSERT_EQ(runSetup(L""), 0u);
             writeRegText(HKEY_CURRENT_USER, recordKey, L"RecordListeningSent", L"1");
             borrowQuickText(L"see you soon", L"/name Ann I'm listening to: (!WAT)");
         },
         {listeningNote(), uninstallChoice(), uninstallDone()},
         0, Installed::nothing, false, Program::uninstaller,
         [] {
             EXPECT_EQ(readRegText(HKEY_CURRENT_USER, quickTextKey, L"Message"), L"see you soon");
             EXPECT_FALSE(readRegDword(HKEY_CURRENT_USER, quickTextKey, L"AutoSend")) << "absent before, so removed";
             EXPECT_FALSE(readRegText(HKEY_CURRENT_USER, recordKey, keptQuickTextValue.c_str()));
         }},
    };
}

void PrintTo(const SetupCase& row, std::ostream* out) { *out << row.name; }

class SetupPagesTest : public ::testing::TestWithParam<SetupCase> {
protected:
    void TearDown() override {
        scene_.heldDll.reset();
        removeWhatWasInstalled();
        deleteRegTree(HKEY_CURRENT_USER, pluginSettingsKey);
        deleteRegTree(HKEY_CURRENT_USER, hostKey);
    }

    ComApartment apartment_;  // for the screenshots
    TextViewer viewer_;
    Scene scene_;
};

TEST_P(SetupPagesTest, RunsAsAPersonRunsIt) {
    const SetupCase& row = GetParam();
    if (row.prepare) {
        ASSERT_NO_FATAL_FAILURE(row.prepare(scene_));
    }
    std::wstring program = L"\"" + setupPath() + L"\"";
    if (row.program == Program::uninstaller)
        program = readRegText(HKEY_CURRENT_USER, uninstallKey, L"UninstallString").value_or(L"");
    SetupRun setup(program + L" " + row.switches);
    for (const Step& step : row.steps) ASSERT_NO_FATAL_FAILURE(take(setup, step, scene_));
    ASSERT_EQ(setup.exitCode(60s), std::optional(row.exitCode));
    expectOutcome(row, viewer_, setup);
}

INSTANTIATE_TEST_SUITE_P(Cases, SetupPagesTest, ::testing::ValuesIn(setupCases()));

// As the viewer of .txt files: notes the file it was asked to show.
int noteShown(const char* path) {
    writeRegText(HKEY_CURRENT_USER, TextViewer::marks, L"Shown", fromAnsi(path));
    return 0;
}

}  // namespace
}  // namespace sonarel::testing

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--show") return sonarel::testing::noteShown(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
