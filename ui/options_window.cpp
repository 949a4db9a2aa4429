#include "ui/options_window.h"

#include <string>

namespace sonarel {
namespace {

enum ControlId { Option1 = 101, Text3, Option2, Label1, Label2, Text1, Text2, Command1, Text4 };
enum MenuId { mnuRestore = 201, mnuexit };

constexpr COLORREF lightGrey = RGB(224, 224, 224);

// In tab-index order, which is the order of creation.
const ControlDesign optionsControls[] = {
    {Text1, ControlKind::TextBox, nullptr, {120, 1440, 1695, 285}},
    {Label1, ControlKind::Label, L"Name when NOT listening to an sound", {120, 960, 1455, 495}},
    {Label2, ControlKind::Label, L"Name When Listening to a sound", {2400, 960, 1935, 495}},
    {Text2, ControlKind::TextBox, nullptr, {2400, 1440, 1935, 285}},
    {Option1, ControlKind::OptionButton, L"Use Current name and...", {0, 240, 2295, 255}},
    {Text3, ControlKind::TextBox, nullptr, {2400, 240, 1935, 285}},
    {Text4, ControlKind::TextBox, nullptr, {2400, 1800, 1935, 285}},
    {Option2, ControlKind::OptionButton, L"Use This Name...", {0, 600, 1815, 255}},
    {Command1, ControlKind::PushButton, L"Save!!!", {480, 1800, 1095, 375}},
};

constexpr FontDesign optionsFont{L"MS Sans Serif", 825};

// The "Systray" menu: no code of the window acts on its items.
UniqueMenu systrayMenu() {
    UniqueMenu bar(CreateMenu());
    HMENU mnuSystray = CreatePopupMenu();
    if (!bar || !mnuSystray) {
        if (mnuSystray) DestroyMenu(mnuSystray);
        throw HResultError(E_OUTOFMEMORY);
    }
    AppendMenuW(mnuSystray, MF_STRING, mnuRestore, L"Options");
    AppendMenuW(mnuSystray, MF_STRING, mnuexit, L"Close Sonarel");
    AppendMenuW(bar.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(mnuSystray), L"Systray");
    return bar;
}

std::wstring windowText(HWND control) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

FormDesign frmOptions::optionsDesign() {
    return {L"SonarelOptions", L"Options", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, lightGrey,
            4485, 2280};
}

void frmOptions::load() {
    frame_.create(formWindowProc<frmOptions>, this, owner_, systrayMenu());
    bigIcon_ = drawIcon(IconDesign::Options, GetSystemMetrics(SM_CXICON));
    smallIcon_ = drawIcon(IconDesign::Options, GetSystemMetrics(SM_CXSMICON));
    SendMessageW(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    SendMessageW(handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    createControls();
    select(NameMode::CurrentName);  // as designed, before the stored choice

    OptionsChoices choices = loadOptions(settings_);
    neverSaved_ = choices.neverSaved;
    // Never saved: shown at once, without modality; the modal display then
    // takes the window as it is.
    if (neverSaved_) ShowWindow(handle(), SW_SHOWNORMAL);
    select(choices.mode);
    setTexts(choices.texts);
}

void frmOptions::createControls() {
    font_ = createFont(optionsFont, frame_.dpi());
    for (const ControlDesign& design : optionsControls) {
        HWND control = frame_.addControl(design, font_.get());
        // The texts are stored as typed: no limit of the window's own.
        if (design.kind == ControlKind::TextBox) SendMessageW(control, EM_LIMITTEXT, 0, 0);
    }
    frame_.setFocusControl(GetDlgItem(handle(), Text1));
}

void frmOptions::select(NameMode mode) {
    // One group: selecting one option clears the other.
    CheckDlgButton(handle(), Option1, mode == NameMode::CurrentName ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(handle(), Option2, mode == NameMode::CustomName ? BST_CHECKED : BST_UNCHECKED);
}

NameMode frmOptions::selectedMode() const {
    return IsDlgButtonChecked(handle(), Option2) == BST_CHECKED ? NameMode::CustomName : NameMode::CurrentName;
}

OptionsTexts frmOptions::texts() const {
    auto text = [this](int id) { return windowText(GetDlgItem(handle(), id)); };
    return {text(Text1), text(Text2), text(Text3), text(Text4)};
}

void frmOptions::setTexts(const OptionsTexts& texts) {
    SetDlgItemTextW(handle(), Text1, texts.Text1.c_str());
    SetDlgItemTextW(handle(), Text2, texts.Text2.c_str());
    SetDlgItemTextW(handle(), Text3, texts.Text3.c_str());
    SetDlgItemTextW(handle(), Text4, texts.Text4.c_str());
}

void frmOptions::save() {
    saveOptions(settings_, selectedMode(), texts());
    saved_ = true;
    frame_.unload();
}

std::optional<LRESULT> frmOptions::onMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COMMAND) return frame_.onMessage(window, message, wParam, lParam);
    int id = LOWORD(wParam);
    if (HIWORD(wParam) == BN_CLICKED && lParam != 0) {
        if (id == Option1) select(NameMode::CurrentName);
        if (id == Option2) select(NameMode::CustomName);
        if (id == Command1) save();
    }
    // Everything else, the menu items included, does nothing.
    return 0;
}

}  // namespace sonarel
