#pragma once

// What the login exchange asks of the rest of the program. The main window, the fetch window,
// the selection window, the password protection and the connection objects implement these;
// tests use fakes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vpn/vpn_protocol.h"

// The main window as the exchange sees it.
class ILoginUi {
public:
    virtual ~ILoginUi() = default;
    // The status line; with showBox the same text also appears in a message box.
    virtual void SetStatus(std::wstring_view text, bool showBox) = 0;
    // A message box with an OK button, captioned with the application name.
    virtual void ShowBox(std::wstring_view text) = 0;
    // Enables or disables Connect (1003) and Disconnect (1004).
    virtual void EnableConnectButtons(bool connect, bool disconnect) = 0;
    // Opens a web page with the shell, owned by the main window. Failures are ignored.
    virtual void OpenUrl(std::wstring_view url) = 0;
    // Ends the program once control is back in the message loop (PostQuitMessage).
    virtual void QuitProgram() = 0;
    // The main window keeps this path; the selection window and the speed test read the server
    // directory through it.
    virtual void SetResponsePath(const std::wstring& path) = 0;
    // Shows the current connection's outcome, then tears the connection down.
    virtual void ShowOutcomeAndTearDown() = 0;
    // True once the program is exiting: the exchange opens no further window and starts no
    // connection.
    virtual bool Abandoned() const { return false; }
};

// The modal fetch window, run once per call.
struct SFetchResult {
    bool ok = false;       // false: the user cancelled
    int winnerIndex = -1;  // the URL whose answer was delivered; -1 when every URL failed
    std::string body;      // the delivered document; empty when every URL failed
};
class IFetchWindow {
public:
    virtual ~IFetchWindow() = default;
    // Races the alternative URLs for the same document.
    virtual SFetchResult Fetch(const std::vector<std::wstring>& urls) = 0;
};

// The modal server selection window.
struct SServerSelection {
    int routeIndex = -1;
    int serverIndex = -1;
    std::optional<EVpnProtocol> protocol;  // none until chosen
};
class IServerSelectionWindow {
public:
    virtual ~IServerSelectionWindow() = default;
    // False when the window was closed other than with OK.
    virtual bool Choose(SServerSelection& selection) = 0;
};

// Protection of the saved password, readable only by the same user.
class IPasswordProtection {
public:
    virtual ~IPasswordProtection() = default;
    virtual std::optional<std::vector<uint8_t>> Protect(std::wstring_view password) = 0;
    virtual std::optional<std::wstring> Unprotect(const std::vector<uint8_t>& blob) = 0;
};

// Everything the exchange sets on a new connection before Connect.
struct SConnectionSettings {
    std::wstring serverHost;
    std::wstring userName;
    std::wstring password;
    SProxySettings proxy;
    int32_t modifyDefaultGateway = 0;
    std::vector<std::wstring> routes;
};

// A connection object as the exchange uses it: configure once, then Connect once.
class ILoginConnection {
public:
    virtual ~ILoginConnection() = default;
    virtual void Configure(const SConnectionSettings& settings) = 0;
    // 0: the attempt has started; 3: an existing connection was adopted; otherwise an error code.
    virtual uint32_t Connect() = 0;
};

class IConnectionFactory {
public:
    virtual ~IConnectionFactory() = default;
    // Creates the connection for the protocol (PPTP and L2TP dial up, OpenVPN runs openvpn.exe),
    // makes it the main window's current connection with the window's callback registered, and
    // returns it. The main window owns it. Null when there is no connection of that kind.
    virtual ILoginConnection* CreateCurrentConnection(EVpnProtocol protocol) = 0;
};
