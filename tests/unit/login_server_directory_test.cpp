#include "app/server_directory.h"

#include <gtest/gtest.h>

namespace {
CServerDirectory Directory(std::string_view text)
{
    return CServerDirectory(CIniDocument::Parse(text));
}
}  // namespace

TEST(ServerDirectory, ListsEndAtTheFirstBlankTitle)
{
    const CServerDirectory directory = Directory(
        "[Routes]\r\nTitle0= Games \r\nTitle1=Web\r\nTitle3=Unreachable\r\n"
        "[Servers]\r\nTitle0=A\r\nTitle1=  \r\nTitle2=C\r\n");
    EXPECT_EQ(directory.RouteCount(), 2);
    EXPECT_EQ(directory.RouteTitle(0), L"Games");
    EXPECT_EQ(directory.ServerCount(), 1);
    EXPECT_EQ(Directory("").RouteCount(), 0);
}

TEST(ServerDirectory, NamesIgnoreCaseAndValuesKeepTheirText)
{
    const CServerDirectory directory = Directory(
        "[vpn]\nrequiredclientversion=1.1.0.0\nAUTHRESULT=ok\nUpdateURL=http://w/u\n"
        "[ROUTES]\nrouteid0=r-0\nModifyDefaultGateway0=0x1\n"
        "[Servers]\nServerHost0=127.0.0.5\nServerHost1=\nComment0=  near  \nLoad0=0.35\nProtocols0= pptp openvpn \n");
    EXPECT_EQ(directory.RequiredClientVersion(), L"1.1.0.0");
    EXPECT_EQ(directory.AuthResult(), L"ok");
    EXPECT_EQ(directory.UpdateUrl(), L"http://w/u");
    EXPECT_EQ(directory.RouteId(0), L"r-0");
    EXPECT_EQ(directory.ModifyDefaultGateway(0), 1);
    EXPECT_EQ(directory.ModifyDefaultGateway(1), 0);
    EXPECT_EQ(directory.ServerLoad(0), L"0.35");
    EXPECT_EQ(directory.ServerProtocols(0), L"pptp openvpn");
    EXPECT_EQ(directory.AuthResultMessage(), L"");
}

TEST(ServerDirectory, ServerHostFallsBackOnlyWhenTheKeyIsMissing)
{
    const CServerDirectory directory = Directory("[Servers]\nServerHost0=127.0.0.5\nServerHost1=\n");
    EXPECT_EQ(directory.ServerHost(0, L"fallback"), L"127.0.0.5");
    EXPECT_EQ(directory.ServerHost(1, L"fallback"), L"");
    EXPECT_EQ(directory.ServerHost(2, L"fallback"), L"fallback");
    EXPECT_EQ(directory.ServerHost(-1, L"fallback"), L"fallback");
    EXPECT_EQ(CServerDirectory::IndexedKey(L"RouteId", -1), L"RouteId-1");
}
