#include "policy/dlg_proxy_settings_win32.h"

#include "policy/proxy_settings.h"
#include "res/resource.h"
#include "skin/skin_names.h"
#include "win/message_box.h"
#include "win/window_text.h"

namespace {
// By the type each button stands for, as ProxyRadios is indexed.
constexpr int kRadioIds[] = {IDC_PROXY_TYPE_NONE, IDC_PROXY_TYPE_HTTP, IDC_PROXY_TYPE_SOCKS5};
}  // namespace

CDlgProxySettings::CDlgProxySettings(ISettingsStore& settings, IPasswordProtection& protection)
    : CSkinedDialog(IDD_PROXY_SETTINGS, kPartBackground), m_settings(settings), m_protection(protection)
{
}

BOOL CDlgProxySettings::OnInitDialog()
{
    WriteWindowText(Handle(), proxy_text::kTitle);
    SetCaptionButtons(false, false, false);
    AttachFrame();
    for (CSkinedButton* button : {&m_ok, &m_cancel})
        button->SetStyleName(kStyleButton);
    m_ok.BindDlgItem(Handle(), IDOK);
    m_cancel.BindDlgItem(Handle(), IDCANCEL);

    m_values = settings::ReadProxy(m_settings, m_protection);
    const SProxyFields fields = ProxyFieldsOf(m_values);
    ShowRadios(m_values.type);
    SetItemText(IDC_PROXY_SERVER, fields.server);
    SetItemText(IDC_PROXY_PORT, fields.port);
    SetItemText(IDC_PROXY_USERNAME, fields.userName);
    SetItemText(IDC_PROXY_PASSWORD, fields.password);
    return TRUE;
}

void CDlgProxySettings::ShowRadios(int32_t type) const
{
    const ProxyRadios radios = RadiosForType(type);
    for (size_t index = 0; index < radios.size(); ++index)
        ::CheckDlgButton(Handle(), kRadioIds[index], radios[index] ? BST_CHECKED : BST_UNCHECKED);
}

bool CDlgProxySettings::OnCommand(WORD id, WORD notification, HWND control)
{
    // The buttons' own group handling passes over the hidden one, so a click settles all three.
    if (notification == BN_CLICKED && (id == IDC_PROXY_TYPE_NONE || id == IDC_PROXY_TYPE_SOCKS5)) {
        ShowRadios(static_cast<int32_t>(id == IDC_PROXY_TYPE_NONE ? EProxyType::None : EProxyType::Socks5));
        return true;
    }
    return CSkinedDialog::OnCommand(id, notification, control);
}

void CDlgProxySettings::OnOK()
{
    SProxyFields fields;
    for (size_t index = 0; index < fields.radios.size(); ++index)
        fields.radios[index] = ::IsDlgButtonChecked(Handle(), kRadioIds[index]) == BST_CHECKED;
    fields.server = ItemText(IDC_PROXY_SERVER);
    fields.port = ItemText(IDC_PROXY_PORT);
    fields.userName = ItemText(IDC_PROXY_USERNAME);
    fields.password = ItemText(IDC_PROXY_PASSWORD);

    const std::optional<SProxySettings> accepted = AcceptProxyFields(fields);
    if (!accepted) {
        ShowMessage(Handle(), proxy_text::kEnterInteger);
        ::SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_PROXY_PORT)), TRUE);
        return;
    }
    m_values = *accepted;
    WriteProxySettings(m_settings, m_protection, m_values);
    EndDialog(IDOK);
}
