// The resources linked into this test program are the application's own (res/korvex.rc):
// these tests create every dialog template and load the menu, strings, icons and version
// block the way the program does, and check the ids, kinds and texts the code relies on.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "version.h"

namespace {

INT_PTR CALLBACK InertDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

class CTemplateWindow {
 public:
  explicit CTemplateWindow(int templateId) {
    window_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId),
                                 nullptr, InertDialogProc, 0);
  }
  ~CTemplateWindow() {
    if (window_) DestroyWindow(window_);
  }
  CTemplateWindow(const CTemplateWindow&) = delete;
  CTemplateWindow& operator=(const CTemplateWindow&) = delete;

  HWND Get() const { return window_; }
  HWND Item(int id) const { return GetDlgItem(window_, id); }

 private:
  HWND window_ = nullptr;
};

std::wstring TextOf(HWND window) {
  if (!window) return L"<no window>";
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

std::wstring ClassOf(HWND window) {
  if (!window) return L"<no window>";
  wchar_t name[128] = {};
  GetClassNameW(window, name, 128);
  return name;
}

LONG StyleOf(HWND window) { return GetWindowLongW(window, GWL_STYLE); }
LONG ButtonKind(HWND window) { return StyleOf(window) & BS_TYPEMASK; }
bool Visible(HWND window) { return (StyleOf(window) & WS_VISIBLE) != 0; }

bool HasChildWithText(HWND dialog, const std::wstring& text) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (TextOf(child) == text) return true;
  }
  return false;
}

// Clicks an auto radio button as the user would, so the button's own group handling runs.
void Click(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }
bool Checked(HWND button) { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

struct ControlExpectation {
  int id;
  const wchar_t* windowClass;
  const wchar_t* text;
};

void ExpectControls(const CTemplateWindow& dialog, const std::vector<ControlExpectation>& controls) {
  for (const ControlExpectation& control : controls) {
    SCOPED_TRACE(testing::Message() << "control " << control.id);
    HWND item = dialog.Item(control.id);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(_wcsicmp(ClassOf(item).c_str(), control.windowClass), 0) << ClassOf(item).c_str();
    if (control.text) {
      EXPECT_EQ(TextOf(item), control.text);
    }
  }
}

class ResourcesTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // As the application does at start-up: the animation and list view classes must exist
    // before templates naming them can be created.
    INITCOMMONCONTROLSEX classes = {sizeof(classes), 0xFF};
    InitCommonControlsEx(&classes);
  }
};

TEST_F(ResourcesTest, EveryDialogTemplateCreates) {
  for (int id : {IDD_MAIN, IDD_VPN_POLICY, IDD_DOWNLOAD, IDD_BLOCKED_OPERATION,
                 IDD_PROXY_SETTINGS, IDD_DIAGNOSIS}) {
    CTemplateWindow dialog(id);
    EXPECT_NE(dialog.Get(), nullptr) << "template " << id << " error " << GetLastError();
  }
}

TEST_F(ResourcesTest, MainWindowIsCaptionlessPopupWithTaskbarButton) {
  CTemplateWindow dialog(IDD_MAIN);
  ASSERT_NE(dialog.Get(), nullptr);
  const LONG style = StyleOf(dialog.Get());
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_CAPTION);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_TRUE(GetWindowLongW(dialog.Get(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
}

TEST_F(ResourcesTest, MainWindowControls) {
  CTemplateWindow dialog(IDD_MAIN);
  ASSERT_NE(dialog.Get(), nullptr);
  ExpectControls(dialog, {
      {IDC_USERNAME, L"Edit", L""},
      {IDC_PASSWORD, L"Edit", L""},
      {IDC_SAVE_PASSWORD, L"Button", L"保存密码和设置(公用电脑建议不要勾选)"},
      {IDC_CONNECT, L"Button", L"连接"},
      {IDC_DISCONNECT, L"Button", L"断开"},
      {IDC_STATUS, L"Static", nullptr},
      {IDC_NOTICE, L"Static", L""},
      {IDC_LINK_REGISTER, L"Button", L"注册帐号"},
      {IDC_LINK_RECHARGE, L"Button", L"帐户充值"},
      {IDC_LINK_FREE_TEST, L"Button", L"免费测试"},
      {IDC_LINK_HELP, L"Button", L"使用帮助"},
      {IDC_LINK_AFFILIATE, L"Button", L"推广联盟"},
  });
  EXPECT_TRUE(StyleOf(dialog.Item(IDC_PASSWORD)) & ES_PASSWORD);
  EXPECT_FALSE(StyleOf(dialog.Item(IDC_USERNAME)) & ES_PASSWORD);
  // The skin paints these; a plain button or check box would draw itself over the skin.
  for (int id : {IDC_SAVE_PASSWORD, IDC_CONNECT, IDC_DISCONNECT, IDC_LINK_REGISTER,
                 IDC_LINK_RECHARGE, IDC_LINK_FREE_TEST, IDC_LINK_HELP, IDC_LINK_AFFILIATE}) {
    EXPECT_EQ(ButtonKind(dialog.Item(id)), BS_OWNERDRAW) << "control " << id;
  }
  // The browser takes the placeholder's place; the placeholder itself never shows.
  EXPECT_FALSE(Visible(dialog.Item(IDC_NOTICE)));
}

TEST_F(ResourcesTest, DownloadWindow) {
  CTemplateWindow dialog(IDD_DOWNLOAD);
  ASSERT_NE(dialog.Get(), nullptr);
  ExpectControls(dialog, {
      {IDCANCEL, L"Button", L"取消"},
      {IDC_DOWNLOAD_ANIMATION, L"SysAnimate32", nullptr},
  });
  EXPECT_EQ(ButtonKind(dialog.Item(IDCANCEL)), BS_OWNERDRAW);
  EXPECT_TRUE(HasChildWithText(dialog.Get(), L"正在连接网络并获取信息，请稍候……"));
}

TEST_F(ResourcesTest, ServerSelectionWindow) {
  CTemplateWindow dialog(IDD_VPN_POLICY);
  ASSERT_NE(dialog.Get(), nullptr);
  ExpectControls(dialog, {
      {IDOK, L"Button", L"确定"},
      {IDCANCEL, L"Button", L"取消"},
      {IDC_POLICY_RETEST, L"Button", L"重新测速"},
      {IDC_POLICY_PROXY, L"Button", L"OpenVPN代理"},
      {IDC_POLICY_PPTP, L"Button", L"PPTP"},
      {IDC_POLICY_L2TP, L"Button", L"L2TP"},
      {IDC_POLICY_OPENVPN, L"Button", L"OpenVPN"},
      {IDC_POLICY_ROUTES, L"ComboBox", nullptr},
      {IDC_POLICY_SERVERS, L"SysListView32", nullptr},
  });
  EXPECT_FALSE(Visible(dialog.Item(IDC_POLICY_PROXY)));
  EXPECT_TRUE(Visible(dialog.Item(IDC_POLICY_RETEST)));

  const LONG listStyle = StyleOf(dialog.Item(IDC_POLICY_SERVERS));
  EXPECT_EQ(listStyle & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_TRUE(listStyle & LVS_SINGLESEL);
  EXPECT_TRUE(listStyle & LVS_SHOWSELALWAYS);

  // Routes keep the directory's order: the combo box must not sort.
  HWND routes = dialog.Item(IDC_POLICY_ROUTES);
  EXPECT_EQ(StyleOf(routes) & 3, CBS_DROPDOWNLIST);
  SendMessageW(routes, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"电信"));
  SendMessageW(routes, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Asia"));
  wchar_t first[32] = {};
  SendMessageW(routes, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
  EXPECT_STREQ(first, L"电信");

  // The three protocols exclude each other.
  HWND pptp = dialog.Item(IDC_POLICY_PPTP);
  HWND l2tp = dialog.Item(IDC_POLICY_L2TP);
  HWND openvpn = dialog.Item(IDC_POLICY_OPENVPN);
  Click(pptp);
  Click(openvpn);
  EXPECT_FALSE(Checked(pptp));
  EXPECT_TRUE(Checked(openvpn));
  Click(l2tp);
  EXPECT_FALSE(Checked(openvpn));
  EXPECT_TRUE(Checked(l2tp));
}

TEST_F(ResourcesTest, BlockedOperationWindow) {
  CTemplateWindow dialog(IDD_BLOCKED_OPERATION);
  ASSERT_NE(dialog.Get(), nullptr);
  ExpectControls(dialog, {{IDC_BLOCKED_STATUS, L"Static", L"..."}});
  EXPECT_FALSE(StyleOf(dialog.Get()) & WS_CAPTION);
}

TEST_F(ResourcesTest, ProxySettingsWindow) {
  CTemplateWindow dialog(IDD_PROXY_SETTINGS);
  ASSERT_NE(dialog.Get(), nullptr);
  ExpectControls(dialog, {
      {IDOK, L"Button", L"确定"},
      {IDCANCEL, L"Button", L"取消"},
      {IDC_PROXY_TYPE_NONE, L"Button", L"无"},
      {IDC_PROXY_TYPE_HTTP, L"Button", L"HTTP CONNECT 代理"},
      {IDC_PROXY_TYPE_SOCKS5, L"Button", L"Socks5 代理"},
      {IDC_PROXY_SERVER, L"Edit", L""},
      {IDC_PROXY_PORT, L"Edit", L""},
      {IDC_PROXY_USERNAME, L"Edit", L""},
      {IDC_PROXY_PASSWORD, L"Edit", L""},
  });
  EXPECT_FALSE(Visible(dialog.Item(IDC_PROXY_TYPE_HTTP)));
  EXPECT_TRUE(Visible(dialog.Item(IDC_PROXY_TYPE_NONE)));
  EXPECT_TRUE(Visible(dialog.Item(IDC_PROXY_TYPE_SOCKS5)));
  EXPECT_TRUE(StyleOf(dialog.Item(IDC_PROXY_PASSWORD)) & ES_PASSWORD);
  // Any text may be typed into the port field; the OK handler reports a non-number.
  EXPECT_FALSE(StyleOf(dialog.Item(IDC_PROXY_PORT)) & ES_NUMBER);
  EXPECT_TRUE(HasChildWithText(dialog.Get(), L"（如果您使用的代理服务器不需要验证，以上请留空）"));

  HWND none = dialog.Item(IDC_PROXY_TYPE_NONE);
  HWND socks5 = dialog.Item(IDC_PROXY_TYPE_SOCKS5);
  Click(socks5);
  Click(none);
  EXPECT_TRUE(Checked(none));
  EXPECT_FALSE(Checked(socks5));
}

TEST_F(ResourcesTest, DiagnosisWindow) {
  CTemplateWindow dialog(IDD_DIAGNOSIS);
  ASSERT_NE(dialog.Get(), nullptr);
  EXPECT_EQ(TextOf(dialog.Get()), L"系统诊断");
  EXPECT_TRUE(StyleOf(dialog.Get()) & WS_CAPTION);
  ExpectControls(dialog, {
      {IDOK, L"Button", L"开始诊断"},
      {IDCANCEL, L"Button", L"关闭"},
      {IDC_DIAGNOSIS_COPY, L"Button", L"把诊断输出拷贝到剪贴板"},
      {IDC_DIAGNOSIS_SAVE, L"Button", L"把诊断输出保存到文件"},
      {IDC_DIAGNOSIS_OUTPUT, L"Edit", L""},
  });
  // A plain dialog: real push buttons, Start the default one.
  EXPECT_EQ(ButtonKind(dialog.Item(IDOK)), BS_DEFPUSHBUTTON);
  EXPECT_EQ(ButtonKind(dialog.Item(IDC_DIAGNOSIS_COPY)), BS_PUSHBUTTON);

  // A report is far longer than the field is high; appended text must not be refused.
  HWND output = dialog.Item(IDC_DIAGNOSIS_OUTPUT);
  EXPECT_FALSE(StyleOf(output) & ES_READONLY);
  const int lines = 300;
  for (int i = 0; i < lines; ++i) {
    const int end = GetWindowTextLengthW(output);
    SendMessageW(output, EM_SETSEL, end, end);
    SendMessageW(output, EM_REPLACESEL, FALSE,
                 reinterpret_cast<LPARAM>(L"   IPv4 地址 . . . . . . . . . . . . : 127.0.0.1\r\n"));
  }
  EXPECT_GE(SendMessageW(output, EM_GETLINECOUNT, 0, 0), lines);
}

TEST_F(ResourcesTest, TrayMenu) {
  HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAY_MENU));
  ASSERT_NE(menu, nullptr);
  HMENU popup = GetSubMenu(menu, 0);
  ASSERT_NE(popup, nullptr);

  struct Item {
    UINT id;  // 0 for a separator
    const wchar_t* text;
  };
  const std::vector<Item> expected = {
      {ID_TRAY_SHOW, L"显示主窗口(&S)"},
      {0, nullptr},
      {ID_TRAY_DIAGNOSIS, L"系统诊断(&D)"},
      {0, nullptr},
      {ID_TRAY_HOMEPAGE, L"Qivra主页(&H)"},
      {ID_TRAY_FORUM, L"Qivra论坛(&B)"},
      {ID_TRAY_RECHARGE, L"帐号充值(&P)"},
      {ID_TRAY_GAME_CARD, L"游戏点卡(&G)"},
      {0, nullptr},
      {ID_TRAY_EXIT, L"退出(&X)"},
  };
  ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(expected.size()));
  for (size_t position = 0; position < expected.size(); ++position) {
    SCOPED_TRACE(testing::Message() << "position " << position);
    wchar_t text[64] = {};
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 64;
    ASSERT_TRUE(GetMenuItemInfoW(popup, static_cast<UINT>(position), TRUE, &info));
    if (expected[position].id == 0) {
      EXPECT_TRUE(info.fType & MFT_SEPARATOR);
    } else {
      EXPECT_FALSE(info.fType & MFT_SEPARATOR);
      EXPECT_EQ(info.wID, expected[position].id);
      EXPECT_STREQ(text, expected[position].text);
    }
  }
  DestroyMenu(menu);
}

TEST_F(ResourcesTest, StringTable) {
  const HINSTANCE module = GetModuleHandleW(nullptr);
  wchar_t text[1024] = {};
  ASSERT_GT(LoadStringW(module, IDS_REFERRAL_TAG, text, 1024), 0);
  EXPECT_STREQ(text, L"main");

  ASSERT_GT(LoadStringW(module, IDS_LOGIN_URLS, text, 1024), 0);
  // Two or more base URLs separated by ";", each http://host:port/ ending with "/".
  std::wstring urls = text;
  std::vector<std::wstring> pieces;
  for (size_t start = 0;;) {
    const size_t end = urls.find(L';', start);
    pieces.push_back(urls.substr(start, end - start));
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  EXPECT_GE(pieces.size(), 2u) << urls.c_str();
  for (const std::wstring& url : pieces) {
    EXPECT_EQ(url.rfind(L"http://", 0), 0u) << url.c_str();
    EXPECT_EQ(url.back(), L'/') << url.c_str();
  }
}

// Colour census of an icon drawn at 16 x 16 on white.
struct IconPixels {
  int litLeft = 0;   // bright green pixels in the left (send) half
  int litRight = 0;  // ... in the right (receive) half
  int blue = 0;      // the connected badge's blue
  int yellow = 0;    // the application icon's bolt
};

IconPixels DrawIcon16(int iconId) {
  IconPixels census;
  HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId),
                                             IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
  EXPECT_NE(icon, nullptr) << "icon " << iconId;
  if (!icon) return census;

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = 16;
  info.bmiHeader.biHeight = -16;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  RECT all = {0, 0, 16, 16};
  FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_TRUE(DrawIconEx(memory, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL));
  GdiFlush();

  const auto* pixels = static_cast<const BYTE*>(bits);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const BYTE* pixel = pixels + (y * 16 + x) * 4;
      const int blue = pixel[0], green = pixel[1], red = pixel[2];
      if (green > 200 && red < 160 && blue < 120) (x < 8 ? census.litLeft : census.litRight)++;
      if (blue > red + 80 && blue > green + 40) census.blue++;
      if (red > 200 && green > 170 && blue < 120) census.yellow++;
    }
  }
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  DestroyIcon(icon);
  return census;
}

TEST_F(ResourcesTest, IconsShowTheirState) {
  const IconPixels application = DrawIcon16(IDI_MAIN);
  EXPECT_GT(application.yellow, 10);
  EXPECT_GT(application.blue, 10);

  const IconPixels idle = DrawIcon16(IDI_TRAY_IDLE);
  EXPECT_EQ(idle.blue, 0) << "the idle badge is grey";
  EXPECT_EQ(idle.litLeft + idle.litRight, 0);

  const IconPixels quiet = DrawIcon16(IDI_TRAY_CONNECTED);
  EXPECT_GT(quiet.blue, 50);
  EXPECT_EQ(quiet.litLeft + quiet.litRight, 0);

  const IconPixels sending = DrawIcon16(IDI_TRAY_SEND);
  EXPECT_GT(sending.litLeft, 10);
  EXPECT_EQ(sending.litRight, 0);

  const IconPixels receiving = DrawIcon16(IDI_TRAY_RECEIVE);
  EXPECT_EQ(receiving.litLeft, 0);
  EXPECT_GT(receiving.litRight, 10);

  const IconPixels both = DrawIcon16(IDI_TRAY_SEND_RECEIVE);
  EXPECT_GT(both.litLeft, 10);
  EXPECT_GT(both.litRight, 10);
}

TEST_F(ResourcesTest, VersionBlockOfTheModule) {
  wchar_t path[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  // The build's version, packed as Windows and the client's own version check read it.
  const DWORD most = MAKELONG(KORVEX_VERSION_MINOR, KORVEX_VERSION_MAJOR);
  const DWORD least = MAKELONG(KORVEX_VERSION_TWEAK, KORVEX_VERSION_PATCH);
  EXPECT_EQ(fixed->dwFileVersionMS, most);
  EXPECT_EQ(fixed->dwFileVersionLS, least);
  EXPECT_EQ(fixed->dwProductVersionMS, most);
  EXPECT_EQ(fixed->dwProductVersionLS, least);

  struct Translation {
    WORD language;
    WORD codePage;
  }* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  EXPECT_EQ(translation->language, 0x0804);
  EXPECT_EQ(translation->codePage, 1200);

  wchar_t* value = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\080404b0\\ProductName",
                             reinterpret_cast<void**>(&value), &length));
  EXPECT_STREQ(value, L"Qivra网络加速器");
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\080404b0\\FileVersion",
                             reinterpret_cast<void**>(&value), &length));
  EXPECT_STREQ(value, L"" KORVEX_VERSION_TEXT);
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\080404b0\\ProductVersion",
                             reinterpret_cast<void**>(&value), &length));
  EXPECT_STREQ(value, L"" KORVEX_VERSION_TEXT);
}

TEST_F(ResourcesTest, ManifestAsksForAdministratorWithoutCommonControls6) {
  const HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  ASSERT_NE(found, nullptr);
  const auto* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
  ASSERT_NE(data, nullptr);
  const std::string manifest(data, SizeofResource(module, found));
  EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
  EXPECT_EQ(manifest.find("<dependency"), std::string::npos);
  EXPECT_EQ(manifest.find("dpiAware"), std::string::npos);
}

}  // namespace
