#include "vpn/console_output.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Code page 936 characters whose second byte is an ASCII character.
const std::string kShu = "\xCA\xFD";     // 数, an ordinary character
const std::string kJi = "\x87\x5C";      // 嘰, second byte '\'
const std::string kTan = "\x87\x40";     // 嘆, second byte '@'
const std::string kChou = "\x81" "E";    // 丒, second byte 'E'
constexpr size_t kNone = std::string_view::npos;

TEST(ConsoleOutput, FindAndEndsWithKeepCharactersWhole)
{
    struct Case {
        const char* name;
        std::string output;
        std::string text;
        size_t firstAt;  // FindAnsiText from 0
        bool endsWith;
    };
    const Case cases[] = {
        {"ascii prompt at the end", "OpenVPN 2.1\nEnter Auth Username:", "Enter Auth Username:", 12, true},
        {"ascii text in the middle", "a Peer Connection Initiated with x", "Peer Connection Initiated", 2, false},
        {"longer than the output", "Enter", "Enter Auth", kNone, false},
        {"empty text", "ab", "", 0, true},
        {"empty output", "", "x", kNone, false},
        {"prompt glued to a character whose trail is E", kChou + "nter Auth Username:",
         "Enter Auth Username:", kNone, false},
        {"the same prompt after a whole character", kShu + "Enter Auth Username:", "Enter Auth Username:", 2, true},
        {"trail byte backslash is not a backslash", "C:" + kJi + "x", "\\x", kNone, false},
        {"a real backslash after the character", "C:" + kJi + "\\x", "\\x", 4, true},
        {"trail byte @ is not an at sign", "user" + kTan, "@", kNone, false},
        {"character found as a whole", "ab" + kShu + kShu, kShu, 2, true},
        {"character bytes across two characters", "\xB5" + kShu + "\xB1", kShu, kNone, false},
        {"a text that would cut a character at its end", "A" + kShu, "A\xCA", kNone, false},
        // A chunk may end inside a character; its lead byte stands alone until the rest arrives.
        {"lone lead byte at the end", "Password:\xCA", "\xCA", 9, true},
        {"lone lead byte before the prompt text", "x\xCA", "Password:", kNone, false},
        {"lead byte before a newline stands alone", "\xCA\nEnter", "\nEnter", 1, true},
        {"second occurrence after a false one", kChou + "nd; End", "End", 6, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.firstAt, FindAnsiText(c.output, c.text));
        EXPECT_EQ(c.endsWith, AnsiTextEndsWith(c.output, c.text));
    }

    // A start position skips earlier matches but never lands inside a character.
    const std::string output = "ab" + kChou + "E";
    EXPECT_EQ(4u, FindAnsiText(output, "E", 1));
    EXPECT_EQ(kNone, FindAnsiText(output, "E", 5));
    EXPECT_EQ(kNone, FindAnsiText(output, "", 6));
}

TEST(ConsoleOutput, ExtractBetween)
{
    struct Case {
        const char* name;
        std::string output;
        std::string start;
        std::string end;
        bool found;
        std::string between;
    };
    const Case cases[] = {
        {"the text right after the start text", "a of b, c", " of ", ",", true, "b"},
        {"nothing in between", "x==;y", "==", ";", true, ""},
        {"the end text is searched after the start text", ", a of b, c", " of ", ",", true, "b"},
        {"first start and first end after it", "[1] [2]", "[", "]", true, "1"},
        {"start missing", "a b, c", " of ", ",", false, ""},
        {"end missing", "a of b c", " of ", ",", false, ""},
        {"end only before the start", "b, a of c", " of ", ",", false, ""},
        {"address line",
         "Notified TAP-Win32 driver to set a DHCP IP/netmask of 10.8.0.6/255.255.255.252 on interface {X}",
         "Notified TAP-Win32 driver to set a DHCP IP/netmask of ", " on interface ", true,
         "10.8.0.6/255.255.255.252"},
        {"gateway in a push reply", "'PUSH_REPLY,route-gateway 10.8.0.1,ping 10'", "route-gateway", ",", true,
         " 10.8.0.1"},
        {"Chinese text kept whole", "[" + kShu + kJi + "]", "[", "]", true, kShu + kJi},
        {"end text hidden in a trail byte", "(" + kJi + "x\\)", "(", "\\", true, kJi + "x"},
        {"start text hidden in a trail byte", kTan + "x@y;", "@", ";", true, "y"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string between = "untouched";
        EXPECT_EQ(c.found, ExtractAnsiTextBetween(c.output, c.start, c.end, between));
        EXPECT_EQ(c.found ? c.between : "untouched", between);
    }
}

}  // namespace
