// The OpenVPN program, its certificate authority and the TAP adapter driver, which the client
// expects in the "openvpn" folder beside itself: the check that they are there, whether a TAP
// adapter exists, and the driver's installation. Each blocks the calling thread.
#pragma once

#include <windows.h>

#include <string>

// The process's OpenVPN folder, ModuleDir + "openvpn\"; empty until the first component check.
const std::wstring& OpenVpnFolder();

// Sets the folder and tells whether openvpn.exe, ca.crt, tap_korvex.inf, tap_korvex.sys and
// tapinstall.exe are all in it (testing stops at the first one missing).
bool CheckOpenVpnComponents(const std::wstring& moduleDir);
// True when "openvpn.exe --show-adapters" lists an adapter. A program that has not answered
// after 30 s is ended, and counts as no adapter.
bool IsTapAdapterPresent();
// Runs the driver installer from the folder and waits for it; true whatever it did.
bool InstallTapDriver();
// Starts a program through the shell and waits for it to end; false if it could not start.
bool RunAndWait(const std::wstring& file, const std::wstring& parameters, int showCommand);
