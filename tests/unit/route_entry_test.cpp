#include <gtest/gtest.h>

#include <string>

#include "vpn/inet_address.h"
#include "vpn/route_table.h"

namespace
{

struct CParsed
{
    bool Found;
    std::string Destination;
    std::string Netmask;
};

CParsed Parse(const std::wstring& entry)
{
    CParsed parsed{false, "left over", "left over"};
    parsed.Found = ParseRouteEntry(entry, parsed.Destination, parsed.Netmask);
    return parsed;
}

TEST(ParseRouteEntry, FindsTheKeywordInAnyCaseAndTrimsBothSides)
{
    const CParsed upper = Parse(L"192.168.0.0 MASK 255.255.0.0");
    EXPECT_TRUE(upper.Found);
    EXPECT_EQ("192.168.0.0", upper.Destination);
    EXPECT_EQ("255.255.0.0", upper.Netmask);

    const CParsed blanks = Parse(L" \t10.0.0.0\vMaSk\f255.0.0.0 \r\n");
    EXPECT_TRUE(blanks.Found);
    EXPECT_EQ("10.0.0.0", blanks.Destination);
    EXPECT_EQ("255.0.0.0", blanks.Netmask);

    // Only the first keyword splits; the address reader stops at the blank that follows.
    const CParsed twice = Parse(L"10.0.0.0 mask 255.0.0.0 mask");
    EXPECT_EQ("255.0.0.0 mask", twice.Netmask);
    EXPECT_EQ(InetAddr("255.0.0.0"), InetAddr(twice.Netmask));
}

TEST(ParseRouteEntry, WithoutTheKeywordFindsNothing)
{
    for (const wchar_t* entry : {L"10.1.0.0/16", L"", L"10.0.0.0 mas 255.0.0.0", L"ma sk"}) {
        const CParsed parsed = Parse(entry);
        EXPECT_FALSE(parsed.Found) << entry;
        EXPECT_TRUE(parsed.Destination.empty());
        EXPECT_TRUE(parsed.Netmask.empty());
    }
}

TEST(ParseRouteEntry, LeavesJudgingTheAddressesToInetAddr)
{
    const CParsed empty = Parse(L"mask");
    EXPECT_TRUE(empty.Found);
    EXPECT_EQ("", empty.Destination);
    EXPECT_EQ("", empty.Netmask);

    const CParsed wide = Parse(L"１０.0.0.0 mask 255.0.0.0");
    EXPECT_TRUE(wide.Found);
    EXPECT_EQ(InetAddrNone, InetAddr(wide.Destination));
}

TEST(InetAddr, GivesNetworkByteOrder)
{
    const uint32_t address = InetAddr("10.20.30.40");
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&address);
    EXPECT_EQ(10, bytes[0]);
    EXPECT_EQ(20, bytes[1]);
    EXPECT_EQ(30, bytes[2]);
    EXPECT_EQ(40, bytes[3]);
    EXPECT_EQ(0x0A141E28u, NetworkToHostOrder(address));
    EXPECT_EQ(address, HostToNetworkOrder(0x0A141E28u));
}

TEST(InetAddr, AcceptsTheShortAndNumberedForms)
{
    EXPECT_EQ(HostToNetworkOrder(0x0A000001u), InetAddr("10.1"));
    EXPECT_EQ(HostToNetworkOrder(0x0A010203u), InetAddr("10.1.515"));
    EXPECT_EQ(HostToNetworkOrder(0x0A080001u), InetAddr("0x0A.010.0.1"));
    EXPECT_EQ(HostToNetworkOrder(0x01020304u), InetAddr("16909060"));
    EXPECT_EQ(HostToNetworkOrder(0x01020304u), InetAddr("1.2.3.4 and the rest"));
    EXPECT_EQ(0u, InetAddr("0.0.0.0"));
    EXPECT_EQ(0u, InetAddr("0"));
}

TEST(InetAddr, RefusesWhatIsNoAddress)
{
    for (const char* text : {"", "example.com", "1.2.3.256", "1.2.3.4.5", "1..2",
                             "1.2.3.", "08", "4294967296", "1.2.65536", "256.1", "1.2.3.4x", "-1"}) {
        uint32_t address = 0;
        EXPECT_FALSE(ParseInetAddr(text, address)) << text;
        EXPECT_EQ(InetAddrNone, address) << text;
        EXPECT_EQ(InetAddrNone, InetAddr(text)) << text;
    }
    // The one real address that reads like a failure.
    uint32_t broadcast = 0;
    EXPECT_TRUE(ParseInetAddr("255.255.255.255", broadcast));
    EXPECT_EQ(InetAddrNone, broadcast);
}

} // namespace
