// What Connect runs, over the program's own windows: the dial-up service check and the login
// exchange with the fetch and selection windows, owned by the main window.
#pragma once

#include "app/connection_control.h"
#include "app/login_interfaces.h"

class CDlgKorvex;
class CKorvexApp;

class CConnectSteps final : public IConnectSteps {
public:
    CConnectSteps(CKorvexApp& app, CDlgKorvex& mainWindow, IConnectionFactory& connections)
        : m_app(app), m_mainWindow(mainWindow), m_connections(connections)
    {
    }

    void EnsureDialUpServices() override;
    void RunLogin() override;

private:
    CKorvexApp& m_app;
    CDlgKorvex& m_mainWindow;
    IConnectionFactory& m_connections;
};
