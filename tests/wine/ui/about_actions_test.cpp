// The About window's links and buttons, with the actions they set going
// replaced, and its version line from the module that holds it.
#include <gtest/gtest.h>

#include "tests/wine/ui/ui_test_support.h"
#include "ui/about_window.h"

namespace sonarel::testing {
namespace {

enum AboutControl {
    Image12, Image1, LblTitle, LblVersion, Label2, LbDevelover, LbEmail, LbPhone, Label1, Label3, Command3, Command2,
};

// Presses the left mouse button on a control, as a click begins.
void clickLabel(HWND label) {
    PostMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

TEST(AboutActions, LinksOpenTheirTargetsAndSystemInfoStartsTheLookup) {
    ComApartment apartment;
    std::vector<std::string> opened;
    std::vector<HWND> sysInfoOwners;
    frmAbout form(nullptr, {[&](HWND about) { sysInfoOwners.push_back(about); },
                            [&](const std::string& target) { opened.push_back(target); }});
    form.load();
    HWND about = form.handle();
    auto control = [&](AboutControl which) { return childrenInOrder(about).at(which); };

    ModalScript script;
    script.then([&] {
              EXPECT_EQ(textOf(control(LblVersion)), L"Version 2.5.3") << "three numbers, as the setup shows them";
              for (AboutControl label : {LbEmail, LbPhone, Label1, Label2, LbDevelover, Label3, LblTitle, Image1})
                  clickLabel(control(label));
          })
        .then([&] {
            EXPECT_EQ(opened, (std::vector<std::string>{"mailto:team@example.org", "https://www.example.org/",
                                                        "https://sonarel.example.org/"}));
            EXPECT_TRUE(sysInfoOwners.empty());
            click(control(Command3));
        })
        .then([&] {
            EXPECT_EQ(sysInfoOwners, std::vector<HWND>{about});
            EXPECT_TRUE(IsWindow(about));
            click(control(Command2));
        });
    form.showModal();
    script.expectFinished();
    EXPECT_FALSE(IsWindow(about));
    EXPECT_EQ(opened.size(), 3u);
}

}  // namespace
}  // namespace sonarel::testing
