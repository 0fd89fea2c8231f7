// Resource identifiers shared by korvex.rc and the C++ code. Plain #defines only: the
// resource compiler reads this file too.
#ifndef KORVEX_RES_RESOURCE_H
#define KORVEX_RES_RESOURCE_H

// Unnamed statics (labels) in the dialog templates.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Dialog templates.
#define IDD_MAIN                    102  // main window (CDlgKorvex)
#define IDD_VPN_POLICY              130  // server selection (CDlgVpnPolicy)
#define IDD_DOWNLOAD                137  // HTTP fetch wait window (CDlgDownload)
#define IDD_BLOCKED_OPERATION       163  // blocked-operation wait window (CDlgBlockedOperation)
#define IDD_PROXY_SETTINGS          164  // proxy settings (CDlgProxySettings)
#define IDD_DIAGNOSIS               165  // diagnosis (CDlgDiagnosis)

// Menus.
#define IDR_TRAY_MENU               128  // tray context menu; its submenu 0 is shown

// Icons.
#define IDI_MAIN                    128  // application icon (window, taskbar, Explorer)
#define IDI_TRAY_IDLE               132  // no connection
#define IDI_TRAY_SEND_RECEIVE       133  // connected, data sent and received
#define IDI_TRAY_SEND               134  // connected, data sent only
#define IDI_TRAY_CONNECTED          135  // connected, no traffic
#define IDI_TRAY_RECEIVE            136  // connected, data received only

// String table.
#define IDS_REFERRAL_TAG            102  // value of "rf=" appended to service URLs
#define IDS_LOGIN_URLS              103  // default login base URLs, separated by ";"

// Wait animation (AVI) played by the fetch window.
#define IDR_WAIT_ANIMATION          141

// Skin images.
#define IDB_SKIN_WINDOW             160  // main window picture ("WindowPicture" pieces)
#define IDB_SKIN_BUTTON             161  // push button face ("Button" pieces)
#define IDB_SKIN_CAPTION_BUTTONS    162  // minimise/close glyphs ("SystemButton..." pieces)

// Main window (IDD_MAIN).
#define IDC_USERNAME                1000
#define IDC_PASSWORD                1001
#define IDC_CONNECT                 1003
#define IDC_DISCONNECT              1004
#define IDC_LINK_REGISTER           1005
#define IDC_LINK_RECHARGE           1006
#define IDC_LINK_FREE_TEST          1007
#define IDC_SAVE_PASSWORD           1008  // skinned check box
#define IDC_LINK_HELP               1009
#define IDC_STATUS                  1010  // status line
#define IDC_NOTICE                  1011  // placeholder replaced by the notice pane's browser
#define IDC_LINK_AFFILIATE          1012

// Fetch wait window (IDD_DOWNLOAD); its Cancel button is IDCANCEL.
#define IDC_DOWNLOAD_ANIMATION      1005

// Server selection (IDD_VPN_POLICY); OK and Cancel are IDOK and IDCANCEL.
#define IDC_POLICY_RETEST           3
#define IDC_POLICY_ROUTES           1005  // drop-down list of routes
#define IDC_POLICY_PPTP             1019
#define IDC_POLICY_L2TP             1020
#define IDC_POLICY_OPENVPN          1021
#define IDC_POLICY_SERVERS          1022  // list view of servers
#define IDC_POLICY_PROXY            1027  // opens IDD_PROXY_SETTINGS; created hidden

// Blocked-operation window (IDD_BLOCKED_OPERATION).
#define IDC_BLOCKED_STATUS          1023

// Proxy settings (IDD_PROXY_SETTINGS); OK and Cancel are IDOK and IDCANCEL.
#define IDC_PROXY_USERNAME          1000
#define IDC_PROXY_PASSWORD          1001
#define IDC_PROXY_TYPE_HTTP         1024  // created hidden
#define IDC_PROXY_TYPE_SOCKS5       1025
#define IDC_PROXY_SERVER            1026
#define IDC_PROXY_TYPE_NONE         1027
#define IDC_PROXY_PORT              1028

// Diagnosis (IDD_DIAGNOSIS); Start is IDOK, Close is IDCANCEL.
#define IDC_DIAGNOSIS_OUTPUT        1029
#define IDC_DIAGNOSIS_COPY          1030
#define IDC_DIAGNOSIS_SAVE          1031

// Tray menu commands, handled by the main window.
#define ID_TRAY_SHOW                32772
#define ID_TRAY_EXIT                32774
#define ID_TRAY_HOMEPAGE            32779
#define ID_TRAY_FORUM               32780
#define ID_TRAY_RECHARGE            32781
#define ID_TRAY_GAME_CARD           32782
#define ID_TRAY_DIAGNOSIS           32784

#endif  // KORVEX_RES_RESOURCE_H
