#include <gtest/gtest.h>

#include "app/HexField.h"

namespace zvk {
namespace {

TEST(ParseHexField, AcceptsOneToFourHexDigitsInAnyCase) {
    struct Case {
        const char* text;
        bool ok;
        std::uint16_t value;
        const char* upper;
    };
    const Case cases[] = {
        {"0", true, 0x0000, "0"},       {"ffff", true, 0xFFFF, "FFFF"},
        {"4fFf", true, 0x4FFF, "4FFF"}, {"0300", true, 0x0300, "0300"},
        {"", false, 0xBEEF, ""},        {"12G4", false, 0xBEEF, "12G4"},
        {" 12", false, 0xBEEF, " 12"},  {"12345", false, 0xBEEF, "12345"},
        {"-1", false, 0xBEEF, "-1"},    {"0x1", false, 0xBEEF, "0X1"},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        std::uint16_t value = 0xBEEF;
        EXPECT_EQ(ParseHexField(text, value), c.ok) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(text, c.upper) << "the text is upper-cased in place";
    }
}

}  // namespace
}  // namespace zvk
