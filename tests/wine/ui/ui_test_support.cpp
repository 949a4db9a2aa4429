#include "tests/wine/ui/ui_test_support.h"

#include <initguid.h>
#include <wincodec.h>

#include <filesystem>
#include <gtest/gtest.h>

#include "common/dispatch.h"
#include "settings/settings_store.h"
#include "tests/wine/support/plugin_environment.h"

namespace sonarel::testing {
namespace {

// There is no window manager under Xvfb: let Wine manage and draw whole
// windows itself. Otherwise nobody draws their captions (the screenshots
// would lack them) and Wine waits a second for the missing manager each
// time a window is hidden or minimised. Wine reads these settings for the
// program when its first window comes, so they are written before main.
[[maybe_unused]] const bool windowsDrawnByWine = [] {
    std::wstring program = besideTestProgram(L"");
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = std::wstring(path).substr(program.size());
    const std::wstring key = L"Software\\Wine\\AppDefaults\\" + name + L"\\X11 Driver";
    writeRegText(HKEY_CURRENT_USER, key, L"Managed", L"N");
    writeRegText(HKEY_CURRENT_USER, key, L"Decorated", L"N");
    return true;
}();

thread_local ModalScript* runningScript = nullptr;
thread_local int tickCount = 0;

constexpr UINT scriptInterval = 20;

void CALLBACK countTick(HWND, UINT, UINT_PTR, DWORD) { ++tickCount; }

BOOL CALLBACK collectWindow(HWND window, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

BOOL CALLBACK closeIfVisible(HWND window, LPARAM) {
    if (IsWindowVisible(window)) PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

std::vector<HWND> topLevelWindowsOfThisThread() {
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), collectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

}  // namespace

ModalScript::ModalScript(std::chrono::milliseconds deadline)
    : deadline_(std::chrono::steady_clock::now() + deadline), previous_(runningScript) {
    runningScript = this;
    timer_ = SetTimer(nullptr, 0, scriptInterval, tick);
    watchdog_ = std::thread([this, threadId = GetCurrentThreadId()] { watch(threadId); });
}

ModalScript::~ModalScript() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    ended_.notify_all();
    watchdog_.join();
    KillTimer(nullptr, timer_);
    runningScript = previous_;
    if (watchdogFired_) ADD_FAILURE() << "the script's timer was not served; the watchdog closed the windows";
}

void ModalScript::watch(DWORD threadId) {
    std::unique_lock lock(mutex_);
    if (ended_.wait_until(lock, deadline_ + 3s, [this] { return ending_; })) return;
    watchdogFired_ = true;
    while (!ended_.wait_for(lock, 200ms, [this] { return ending_; })) {
        EnumThreadWindows(threadId, closeIfVisible, 0);
    }
}

ModalScript& ModalScript::waitFor(std::string what, std::function<bool()> condition) {
    steps_.push_back({std::move(what), std::move(condition), false});
    return *this;
}

ModalScript& ModalScript::then(std::function<void()> action) {
    steps_.push_back({"action", [action = std::move(action)] {
                          action();
                          return true;
                      },
                      true});
    return *this;
}

void ModalScript::expectFinished() const {
    EXPECT_TRUE(finished()) << "stuck at step " << next_ << ": " << (finished() ? "" : steps_[next_].what);
}

void CALLBACK ModalScript::tick(HWND, UINT, UINT_PTR, DWORD) {
    if (runningScript) runningScript->step();
}

void ModalScript::step() {
    if (timedOut_ || std::chrono::steady_clock::now() > deadline_) {
        if (!timedOut_ && !finished()) ADD_FAILURE() << "timed out waiting for: " << steps_[next_].what;
        timedOut_ = true;
        rescue();
        return;
    }
    if (finished()) return;
    Step& current = steps_[next_];
    if (current.once) {
        ++next_;  // before it runs: it may not come back for a while
        current.run();
    } else if (current.run()) {
        ++next_;
    }
}

void ModalScript::rescue() {
    for (HWND window : topLevelWindowsOfThisThread())
        if (IsWindowVisible(window)) PostMessageW(window, WM_CLOSE, 0, 0);
}

TickCounter::TickCounter() : timer_(SetTimer(nullptr, 0, 50, countTick)) { tickCount = 0; }
TickCounter::~TickCounter() { KillTimer(nullptr, timer_); }
int TickCounter::ticks() const { return tickCount; }

std::wstring classOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring textOf(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::vector<HWND> threadWindows(const std::wstring& className) {
    std::vector<HWND> matching;
    for (HWND window : topLevelWindowsOfThisThread())
        if (classOf(window) == className) matching.push_back(window);
    return matching;
}

HWND findThreadWindow(const std::wstring& className, const std::wstring& caption) {
    for (HWND window : threadWindows(className))
        if (textOf(window) == caption && IsWindowVisible(window)) return window;
    return nullptr;
}

HWND findMessageBox(const std::wstring& text) {
    for (HWND box : threadWindows(L"#32770"))
        for (HWND child : childrenInOrder(box))
            if (classOf(child) == L"Static" && textOf(child) == text && IsWindowVisible(box)) return box;
    return nullptr;
}

std::vector<HWND> childrenInOrder(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

RECT placeInParent(HWND child) {
    RECT place{};
    GetWindowRect(child, &place);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

SIZE clientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

void click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

void pressKey(HWND window, UINT virtualKey) {
    UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    PostMessageW(window, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageW(window, WM_KEYUP, virtualKey, 1 | (scan << 16) | (3u << 30));
}

Screenshot::Screenshot(HWND window) {
    RECT frame{};
    GetWindowRect(window, &frame);
    width_ = frame.right - frame.left;
    height_ = frame.bottom - frame.top;
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    clientOrigin_ = {origin.x - frame.left, origin.y - frame.top};

    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HDC windowDc = GetWindowDC(window);
    HDC memory = CreateCompatibleDC(windowDc);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueGdi<HBITMAP> bitmap(CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    HGDIOBJ previous = SelectObject(memory, bitmap.get());
    BitBlt(memory, 0, 0, width_, height_, windowDc, 0, 0, SRCCOPY);
    GdiFlush();
    pixels_.assign(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + width_ * height_);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(window, windowDc);
}

COLORREF Screenshot::clientPixel(int x, int y) const {
    int px = clientOrigin_.x + x, py = clientOrigin_.y + y;
    if (px < 0 || py < 0 || px >= width_ || py >= height_) return CLR_INVALID;
    DWORD pixel = pixels_[static_cast<size_t>(py) * width_ + px];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

void Screenshot::savePng(const std::wstring& path) const {
    CreateDirectoryW(path.substr(0, path.find_last_of(L'\\')).c_str(), nullptr);
    ComPtr<IWICImagingFactory> factory;
    throwIfFailed(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)));
    ComPtr<IWICBitmap> picture;
    throwIfFailed(factory->CreateBitmapFromMemory(
        static_cast<UINT>(width_), static_cast<UINT>(height_), GUID_WICPixelFormat32bppBGR,
        static_cast<UINT>(width_ * 4), static_cast<UINT>(pixels_.size() * 4),
        reinterpret_cast<BYTE*>(const_cast<DWORD*>(pixels_.data())), &picture));
    ComPtr<IWICStream> stream;
    throwIfFailed(factory->CreateStream(&stream));
    throwIfFailed(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE));
    ComPtr<IWICBitmapEncoder> encoder;
    throwIfFailed(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder));
    throwIfFailed(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache));
    ComPtr<IWICBitmapFrameEncode> frame;
    throwIfFailed(encoder->CreateNewFrame(&frame, nullptr));
    throwIfFailed(frame->Initialize(nullptr));
    throwIfFailed(frame->SetSize(static_cast<UINT>(width_), static_cast<UINT>(height_)));
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    throwIfFailed(frame->SetPixelFormat(&format));
    throwIfFailed(frame->WriteSource(picture.Get(), nullptr));
    throwIfFailed(frame->Commit());
    throwIfFailed(encoder->Commit());
}

std::wstring screenshotPath(const std::wstring& fileName) {
    // The test programs live in build/bin/.
    return besideTestProgram(L"..\\screens\\" + fileName);
}

namespace {
const wchar_t* const optionsKeys[] = {L"CurrentName", L"CustomName", L"CurrentTag", L"CustomNameNotPl",
                                      L"CustomNamePl", L"CustomTagPl"};
}

StoredOptions readStoredOptions() {
    StoredOptions values;
    for (const wchar_t* key : optionsKeys)
        if (auto text = readRegText(HKEY_CURRENT_USER, SettingsStore::keyPath, key)) values[key] = *text;
    return values;
}

void writeStoredOptions(const StoredOptions& values) {
    SettingsStore store;
    for (const auto& [key, value] : values) store.WriteSetting(key, value);
}

ParseCommandAnswer parseCommand(IDispatch* plugin, const std::wstring& command, const std::wstring& sResult) {
    ParseCommandAnswer answer;
    Variant text(command), argument(L""), window;
    window.get()->vt = VT_DISPATCH;
    window.get()->pdispVal = nullptr;
    ByRef<std::wstring> result(sResult);
    try {
        Variant value = callMethod(plugin, L"ParseCommand", {text.get(), argument.get(), window.get(), &result.arg});
        answer.hr = S_OK;
        answer.recognised = value.type() == VT_BOOL && value.get()->boolVal == VARIANT_TRUE;
    } catch (const HResultError& e) {
        answer.hr = e.code();
    }
    answer.sResult = result.str();
    return answer;
}

}  // namespace sonarel::testing

namespace sonarel::testing {

// True when a label's text, wrapped as the label wraps it in its font,
// fits its width and every line stands on a baseline inside the label.
bool labelTextFits(HWND label) {
    std::wstring text = textOf(label);
    RECT client{};
    GetClientRect(label, &client);
    HDC dc = GetDC(label);
    auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
    HGDIOBJ before = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT needed = client;
    int height = DrawTextW(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    SelectObject(dc, before);
    ReleaseDC(label, dc);
    return needed.right <= client.right && height - metrics.tmDescent <= client.bottom;
}

void expectControls(HWND window, const std::vector<ExpectedControl>& expected) {
    std::vector<HWND> children = childrenInOrder(window);
    ASSERT_EQ(children.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << "control " << i << " " << expected[i].text);
        HWND child = children[i];
        EXPECT_EQ(classOf(child), expected[i].className);
        EXPECT_EQ(textOf(child), expected[i].text);
        RECT place = placeInParent(child);
        EXPECT_EQ(place.left, expected[i].place.left);
        EXPECT_EQ(place.top, expected[i].place.top);
        EXPECT_EQ(place.right - place.left, expected[i].place.right - expected[i].place.left) << "width";
        EXPECT_EQ(place.bottom - place.top, expected[i].place.bottom - expected[i].place.top) << "height";
        EXPECT_TRUE(IsWindowVisible(child));
        if (classOf(child) == L"Static" && !textOf(child).empty()) {
            EXPECT_TRUE(labelTextFits(child)) << "a label cut";
        }
    }
}

LOGFONTW fontOf(HWND control) {
    LOGFONTW font{};
    auto handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (handle) GetObjectW(handle, sizeof(font), &font);
    return font;
}

StaticColours staticColours(HWND window, HWND control) {
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    LOGBRUSH design{};
    if (brush) GetObjectW(brush, sizeof(design), &design);
    StaticColours colours{GetTextColor(dc), brush ? design.lbColor : CLR_INVALID};
    DeleteDC(dc);
    return colours;
}

int windowDpiX(HWND window) {
    HDC dc = GetDC(window);
    int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(window, dc);
    return dpi;
}

}  // namespace sonarel::testing

namespace sonarel::testing {

namespace {
const wchar_t* const standInMarks = L"Software\\Sonarel Tests\\System Info Stand-in";
}

SystemInfoRegistry::SystemInfoRegistry() : msinfo_(save(msinfoKey)), location_(save(locationKey)) {
    deleteRegTree(HKEY_LOCAL_MACHINE, msinfoKey);
    deleteRegTree(HKEY_LOCAL_MACHINE, locationKey);
}

SystemInfoRegistry::~SystemInfoRegistry() {
    restore(msinfoKey, msinfo_);
    restore(locationKey, location_);
}

SystemInfoRegistry::SavedKey SystemInfoRegistry::save(const wchar_t* path) {
    SavedKey saved;
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &raw) != ERROR_SUCCESS) return saved;
    UniqueRegKey key(raw);
    saved.existed = true;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256, type = 0, size = 0;
        if (RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::vector<BYTE> data(size);
        nameLength = 256;
        RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type, data.data(), &size);
        saved.values.emplace_back(name, type, std::move(data));
    }
    return saved;
}

void SystemInfoRegistry::restore(const wchar_t* path, const SavedKey& saved) {
    deleteRegTree(HKEY_LOCAL_MACHINE, path);
    if (!saved.existed) return;
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr) !=
        ERROR_SUCCESS)
        return;
    UniqueRegKey key(raw);
    for (const auto& [name, type, data] : saved.values)
        RegSetValueExW(key.get(), name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size()));
}

void SystemInfoRegistry::setPath(DWORD type, const std::string& bytes) {
    writeRegValue(HKEY_LOCAL_MACHINE, msinfoKey, L"PATH", type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

void SystemInfoRegistry::setPath(const std::wstring& path) { writeRegText(HKEY_LOCAL_MACHINE, msinfoKey, L"PATH", path); }

void SystemInfoRegistry::createEmptyMsinfoKey() {
    HKEY raw = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, msinfoKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(raw);
}

void SystemInfoRegistry::setFolder(const std::wstring& folder) {
    writeRegText(HKEY_LOCAL_MACHINE, locationKey, L"MSINFO", folder);
}

SystemInfoStandIn::SystemInfoStandIn() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    root_ = std::wstring(temp) + L"Sonarel UI tests";
    CreateDirectoryW(root_.c_str(), nullptr);
    forget();
}

SystemInfoStandIn::~SystemInfoStandIn() {
    // A copy that still runs cannot be deleted; it ends right after it starts.
    waitUntil([&] {
        bool all = true;
        for (const auto& copy : copies_) all = (DeleteFileW(copy.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) && all;
        return all;
    }, 5s);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
    forget();
}

std::wstring SystemInfoStandIn::folder(const std::wstring& name) {
    std::wstring path = root_ + L"\\" + name;
    CreateDirectoryW(path.c_str(), nullptr);
    return path;
}

void SystemInfoStandIn::placeAt(const std::wstring& path) {
    ASSERT_TRUE(CopyFileW(besideTestProgram(L"sysinfo_standin.exe").c_str(), path.c_str(), FALSE));
    copies_.push_back(path);
}

std::optional<std::wstring> SystemInfoStandIn::startedFrom() const {
    return readRegText(HKEY_CURRENT_USER, standInMarks, L"Started");
}

std::optional<DWORD> SystemInfoStandIn::showState() const {
    return readRegDword(HKEY_CURRENT_USER, standInMarks, L"ShowWindow");
}

void SystemInfoStandIn::forget() {
    deleteRegTree(HKEY_CURRENT_USER, standInMarks);
    removeTestsKeyIfEmpty();
}

void removeTestsKeyIfEmpty() { RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Sonarel Tests"); }

TestWindow::TestWindow()
    : window_(CreateWindowExW(0, L"Static", L"a window of the test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600,
                              400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr)) {}

TestWindow::~TestWindow() { DestroyWindow(window_); }

void TestWindow::raise() const { SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); }

bool isAbove(HWND upper, HWND lower) {
    for (HWND below = GetWindow(upper, GW_HWNDNEXT); below; below = GetWindow(below, GW_HWNDNEXT))
        if (below == lower) return true;
    return false;
}

}  // namespace sonarel::testing
