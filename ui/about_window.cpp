#include "ui/about_window.h"

#include <shellapi.h>

#include "common/plugin_name.h"
#include "ui/developer_info.h"
#include "ui/module_version.h"
#include "ui/system_info.h"

namespace sonarel {
namespace {

enum ControlId {
    Image12 = 301,
    LblTitle,
    LblVersion,
    Image1,
    Label2,
    LbDevelover,
    LbEmail,
    LbPhone,
    Label1,
    Label3,
    Command3,
    Command2,
};

constexpr UINT_PTR Timer1 = 1;
constexpr UINT timer1Interval = 1000;

constexpr COLORREF white = RGB(255, 255, 255);
constexpr COLORREF blue = RGB(0, 0, 255);
constexpr COLORREF green = RGB(0, 128, 0);
constexpr COLORREF purple = RGB(192, 0, 192);
constexpr COLORREF black = RGB(0, 0, 0);
constexpr COLORREF grey = RGB(128, 128, 128);
constexpr COLORREF silver = RGB(192, 192, 192);

constexpr FormDesign aboutDesign{
    L"SonarelAbout", L"", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, white, 5610, 3120,
};

struct AboutControl {
    ControlDesign design;
    int font;
    COLORREF colour;
};

// In creation order: the pictures lie above the labels they touch, and
// "System Info" (tab index 7) comes before "OK" (tab index 8).
const AboutControl aboutControls[] = {
    {{Image12, ControlKind::Picture, nullptr, {0, 120, 1995, 915}}, 0, black},
    {{Image1, ControlKind::Picture, nullptr, {4830, 315, 600, 600}}, 0, black},
    {{LblTitle, ControlKind::CentredLabel, nullptr, {1755, 345, 3090, 300}}, 0, blue},
    {{LblVersion, ControlKind::CentredLabel, nullptr, {1755, 645, 3090, 300}}, 1, green},
    {{Label2, ControlKind::Label, L"Developer's info :", {210, 1065, 1935, 255}}, 2, purple},
    {{LbDevelover, ControlKind::Label, developer::name, {210, 1305, 1935, 255}}, 2, blue},
    {{LbEmail, ControlKind::LinkLabel, developer::emailLine, {210, 1545, 2580, 180}}, 3, black},
    {{LbPhone, ControlKind::LinkLabel, developer::websiteLine, {210, 1725, 2565, 180}}, 3, black},
    {{Label1, ControlKind::LinkLabel, developer::bannerLine, {240, 1920, 2310, 180}}, 3, black},
    {{Label3, ControlKind::Label, developer::legalWarning, {210, 2160, 5190, 945}}, 3, grey},
    {{Command3, ControlKind::PushButton, L"System Info", {4200, 1680, 1215, 375}}, 4, black},
    {{Command2, ControlKind::PushButton, L"OK", {4200, 1200, 1215, 375}}, 4, black},
};

const FontDesign aboutFonts[] = {
    {L"Arial", 1425},
    {L"Verdana", 975, true},
    {L"Verdana", 825, true},
    {L"Verdana", 675},
    {L"MS Sans Serif", 825},
};

struct Line {
    POINT from, to;  // twips
    COLORREF colour;
};
constexpr Line Line1{{240, 2100}, {5465, 2100}, silver};

const char* linkTarget(int id) {
    switch (id) {
        case LbPhone: return developer::websiteLink;
        case LbEmail: return developer::emailLink;
        case Label1: return developer::bannerLink;
        default: return nullptr;
    }
}

void openWithShell(const std::string& target) {
    // The result is not examined: a link that cannot be opened does nothing.
    ShellExecuteA(nullptr, nullptr, target.c_str(), nullptr, "C:", SW_SHOWNORMAL);
}

}  // namespace

AboutActions systemAboutActions() {
    return {[](HWND about) { StartSysInfo(about); }, openWithShell};
}

frmAbout::frmAbout(HWND owner, AboutActions actions)
    : owner_(owner), actions_(std::move(actions)), frame_(aboutDesign) {}

void frmAbout::load() {
    frame_.create(formWindowProc<frmAbout>, this, owner_);
    icon_ = drawIcon(IconDesign::About, 16);
    SendMessageW(handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));
    SendMessageW(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
    createControls();

    SetWindowTextW(handle(), (L"About " + std::wstring(pluginDisplayName)).c_str());
    SetDlgItemTextW(handle(), LblVersion, versionLine(moduleFileVersion(thisModule())).c_str());
    SetDlgItemTextW(handle(), LblTitle, std::wstring(pluginDisplayName).c_str());
    if (!SetTimer(handle(), Timer1, timer1Interval, nullptr)) throw HResultError(HRESULT_FROM_WIN32(GetLastError()));
}

void frmAbout::createControls() {
    for (size_t i = 0; i < fonts_.size(); ++i) fonts_[i] = createFont(aboutFonts[i], frame_.dpi());
    for (const AboutControl& control : aboutControls) {
        HWND created = frame_.addControl(control.design, fonts_[control.font].get());
        frame_.setTextColour(created, control.colour);
    }
    frame_.setFocusControl(GetDlgItem(handle(), Command3));
}

bool frmAbout::isLink(HWND control) const {
    return control && GetParent(control) == handle() && linkTarget(GetDlgCtrlID(control)) != nullptr;
}

void frmAbout::onCommand(int id, int notification) {
    if (id == IDCANCEL) {  // Escape, through the dialog manager
        frame_.unload();
    } else if (id == Command2 && notification == BN_CLICKED) {
        frame_.unload();
    } else if (id == Command3 && notification == BN_CLICKED) {
        actions_.startSysInfo(handle());
    } else if (const char* target = linkTarget(id); target && notification == STN_CLICKED) {
        actions_.openLink(target);
    }
}

void frmAbout::onTimer1() {
    // Once, a second after loading: make sure the window is not hidden
    // behind the host's windows.
    KillTimer(handle(), Timer1);
    BringWindowToTop(handle());
}

void frmAbout::paintLine(HWND window) const {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    RECT from = toPixels({Line1.from.x, Line1.from.y, Line1.to.x - Line1.from.x, 15}, frame_.dpi());
    UniqueGdi<HPEN> pen(CreatePen(PS_SOLID, 1, Line1.colour));
    HGDIOBJ previous = SelectObject(dc, pen.get());
    MoveToEx(dc, from.left, from.top, nullptr);
    LineTo(dc, from.right + 1, from.top);  // the end point belongs to the line
    SelectObject(dc, previous);
    EndPaint(window, &paint);
}

std::optional<LRESULT> frmAbout::drawPicture(const DRAWITEMSTRUCT& item) const {
    if (item.CtlID == Image12)
        drawBanner(item.hDC, item.rcItem);
    else if (item.CtlID == Image1)
        drawBadge(item.hDC, item.rcItem);
    else
        return std::nullopt;
    return TRUE;
}

std::optional<LRESULT> frmAbout::onMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            onCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_TIMER:
            if (wParam != Timer1) return std::nullopt;
            onTimer1();
            return 0;
        case WM_CHAR:  // a key that reaches the window itself
            if (wParam == VK_ESCAPE) frame_.unload();
            return 0;
        case WM_PAINT:
            paintLine(window);
            return 0;
        case WM_DRAWITEM:
            return drawPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        case WM_SETCURSOR:
            if (isLink(reinterpret_cast<HWND>(wParam))) {
                SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
                return TRUE;
            }
            return std::nullopt;
        default:
            return frame_.onMessage(window, message, wParam, lParam);
    }
}

}  // namespace sonarel
