#include "app/connection_control.h"

#include "app/event_log.h"

namespace {
constexpr size_t kRoutesListed = 10;

// Ends the login flag however the exchange leaves.
class CLoginRunning {
public:
    explicit CLoginRunning(bool& flag) : m_flag(flag) { m_flag = true; }
    ~CLoginRunning() { m_flag = false; }
    CLoginRunning(const CLoginRunning&) = delete;
    CLoginRunning& operator=(const CLoginRunning&) = delete;

private:
    bool& m_flag;
};
}  // namespace

std::wstring FailedRoutesList(const std::vector<std::wstring>& routes)
{
    std::wstring list;
    for (size_t index = 0; index < routes.size() && index < kRoutesListed; ++index) {
        if (index > 0)
            list += L"\r\n";
        list += routes[index];
    }
    if (routes.size() > kRoutesListed)
        list += L"\r\n...";
    return list;
}

ETrayIcon TrafficIcon(bool sentChanged, bool receivedChanged)
{
    if (sentChanged)
        return receivedChanged ? ETrayIcon::SendReceive : ETrayIcon::Send;
    return receivedChanged ? ETrayIcon::Receive : ETrayIcon::Connected;
}

CConnectionController::CConnectionController(IConnectionView& view, ISettingsStore& settings,
                                             ICurrentConnection& connections, IConnectSteps& steps)
    : m_view(view), m_settings(settings), m_connections(connections), m_steps(steps)
{
}

void CConnectionController::OnConnect()
{
    // Enter reaches us while Connect is disabled: a second login would replace a live connection.
    if (m_loginRunning || m_exitRequested || m_connections.Current())
        return;
    const CLoginRunning running(m_loginRunning);
    if (settings::ReadInt(m_settings, settings::TipHideAfterConnection) == 0) {
        m_view.ShowInformation(connection_text::kHideTip);
        settings::WriteInt(m_settings, settings::TipHideAfterConnection, 1);
    }
    m_steps.EnsureDialUpServices();
    if (!m_exitRequested)
        m_steps.RunLogin();
    if (m_exitRequested) {
        // Exit came while the login ran: whatever it started ends with the program.
        TearDown();
        m_view.CloseProgram();
    }
}

void CConnectionController::OnDisconnect()
{
    TheEventLog().Note(L"连接：用户断开");
    TearDown();
    m_view.SetStatus(connection_text::kDisconnected, false);
}

void CConnectionController::TearDown()
{
    if (m_connections.Current()) {
        m_connected = false;
        m_connections.DestroyCurrent();
    }
    m_view.EnableConnectButtons(true, false);
    m_view.SetTrayIcon(ETrayIcon::Idle);
}

void CConnectionController::ShowOutcome()
{
    CGeneralVpn* connection = m_connections.Current();
    if (!connection)
        return;
    const CVpnStatus status = connection->GetStatus();
    if (status.Error == VpnError::Success) {
        m_view.SetStatus(connection->GetStateText(status.State), false);
        return;
    }
    const std::wstring detail = connection->GetDetailText(status.Detail);
    m_view.SetStatus(detail.empty() ? connection->GetErrorText(status.Error) : detail, false);
    m_view.ShowBox(connection->GetStatusReport(status));
}

void CConnectionController::OnStateChanged(uint32_t generation)
{
    CGeneralVpn* connection = m_connections.Current();
    if (!connection || generation != m_connections.CurrentGeneration())
        return;  // from a connection that has been replaced or destroyed
    const CVpnStatus status = connection->GetStatus();
    TheEventLog().ConnectionState(connection->GetStateText(status.State),
                                  status.Error == VpnError::Success ? std::wstring() : connection->GetErrorText(status.Error),
                                  connection->GetDetailText(status.Detail));
    if (status.State == VpnState::ModifyingRoutes && status.Error == VpnError::RouteChangeFailed) {
        OnRoutesNotChanged(*connection);
        return;
    }
    ShowOutcome();
    if (status.Error != VpnError::Success) {
        TearDown();
        return;
    }
    if (status.State == VpnState::LoggedIn) {
        m_view.HideWindow();
        m_view.SetTrayIcon(ETrayIcon::Connected);
        m_view.ShowBalloon();
        m_connected = true;
    } else if (status.State == VpnState::Disconnected) {
        TearDown();
    }
}

void CConnectionController::OnRoutesNotChanged(CGeneralVpn& connection)
{
    const std::vector<std::wstring> failed = connection.GetFailedRoutes();
    TheEventLog().RoutesFailed(failed);
    const std::wstring question = connection_text::kRoutesQuestion + FailedRoutesList(failed);
    // The question is modal: the connection may be replaced while it is open.
    const uint32_t generation = m_connections.CurrentGeneration();
    const bool keep = m_view.AskYesNo(question);
    if (m_connections.Current() == nullptr || m_connections.CurrentGeneration() != generation)
        return;
    if (keep) {
        m_view.SetStatus(connection_text::kPartlyRouted, false);
        m_connected = true;
    } else {
        m_view.SetStatus(connection_text::kRoutesRefused, false);
        TearDown();
    }
}

void CConnectionController::OnTick()
{
    CGeneralVpn* connection = m_connections.Current();
    if (!connection)
        return;
    uint32_t counters[2] = {0, 0};
    if (connection->GetTrafficCounters(counters) != 0) {
        TheEventLog().Note(connection_text::kDropped);
        m_view.ShowWindow();
        const bool wasConnected = m_connected;
        TearDown();
        m_lastSent = 0;
        m_lastReceived = 0;
        if (wasConnected)
            m_view.SetStatus(connection_text::kDropped, true);
        return;
    }
    m_view.SetTrayIcon(TrafficIcon(counters[0] != m_lastSent, counters[1] != m_lastReceived));
    m_lastSent = counters[0];
    m_lastReceived = counters[1];
}

void CConnectionController::Exit()
{
    m_exitRequested = true;
    if (m_loginRunning) {
        m_view.CancelLoginWindows();
        return;  // OnConnect finishes the exit once the exchange has returned
    }
    TearDown();
    m_view.CloseProgram();
}
