// The web pages the main window's links and tray items open.
#pragma once

#include <string>
#include <string_view>

struct SWebHosts {
    std::wstring webHost;
    std::wstring forumHost;
    std::wstring referralTag;
};

// The page for a link control or tray command, or an empty string for any other command.
std::wstring WebLinkUrl(int commandId, const SWebHosts& hosts);

// The notice pane's start page: "http://" + web host + "/client_notice.php", tagged.
std::wstring NoticePageUrl(std::wstring_view webHost, std::wstring_view referralTag);
