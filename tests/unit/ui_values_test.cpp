// Layout units and registry value texts of the plug-in's windows.
#include <gtest/gtest.h>

#include "ui/registry_value_text.h"
#include "ui/twips.h"

namespace sonarel::testing {
namespace {

TEST(Twips, BecomePixelsAtTheWindowsDpi) {
    struct Case {
        int twips, dpi, pixels;
    };
    const Case cases[] = {
        {15, 96, 1},     {4485, 96, 299}, {2280, 96, 152}, {5465, 96, 364},  // 364.33
        {1755, 96, 117}, {0, 96, 0},      {7, 96, 0},      {8, 96, 1},       // rounded to nearest
        {4485, 120, 374}, {4485, 144, 449}, {2280, 144, 228}, {1440, 192, 192}, {-15, 96, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(twipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " at " << c.dpi;
}

TEST(Twips, FontSizesInPointsBecomeCharacterHeights) {
    EXPECT_EQ(fontPixelHeight(1425, 96), 19);
    EXPECT_EQ(fontPixelHeight(975, 96), 13);
    EXPECT_EQ(fontPixelHeight(825, 96), 11);
    EXPECT_EQ(fontPixelHeight(675, 96), 9);
    EXPECT_EQ(fontPixelHeight(825, 144), 17);  // 16.5
}

TEST(RegistryValueText, DropsOnlyATerminatingNul) {
    std::string buffer("C:\\tool.exe\0\0\0", 14);
    EXPECT_EQ(valueCharacters(buffer, 12), "C:\\tool.exe");  // with its NUL
    EXPECT_EQ(valueCharacters(buffer, 11), "C:\\tool.exe");  // unterminated
    EXPECT_EQ(valueCharacters(buffer, 13), std::string("C:\\tool.exe\0", 12));
    EXPECT_EQ(valueCharacters(buffer, 1), "C");
    EXPECT_EQ(valueCharacters(std::string(1, '\0'), 1), "");
}

TEST(RegistryValueText, NumberValuesReadBackAsHexadecimalLiterals) {
    struct Case {
        std::string characters;  // as taken from the buffer, low byte first
        const wchar_t* text;
    };
    const Case cases[] = {
        {std::string("\x1A\x00\x00\x00", 4), L"26"},         // "&h0001A"
        {std::string("\x02\x01\x00", 3), L"18"},             // "&h012": bytes lose their leading zero
        {std::string("\xFF\xFF", 2), L"-1"},                 // "&hFFFF" is a 16-bit literal
        {std::string("\x00\x80\x00\x00", 4), L"2048"},       // "&h00800"
        {std::string("\xFF\xFF\xFF\xFF", 4), L"-1"},         // "&hFFFFFFFF"
        {std::string("\x01\x00\x01\x00", 4), L"257"},        // "&h0101", not 65537
        {std::string("\x78\x56\x34\x12", 4), L"305419896"},  // "&h12345678"
        {"", L"0"},
    };
    for (const Case& c : cases) EXPECT_EQ(numberValueText(c.characters), c.text);
}

}  // namespace
}  // namespace sonarel::testing
