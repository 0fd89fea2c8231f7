// Holds a Winsock reference for as long as it lives.
#pragma once

#include <winsock2.h>

class CWinsockSession {
public:
    CWinsockSession() noexcept
    {
        WSADATA data;
        m_started = ::WSAStartup(MAKEWORD(2, 0), &data) == 0;
    }
    ~CWinsockSession()
    {
        if (m_started)
            ::WSACleanup();
    }
    CWinsockSession(const CWinsockSession&) = delete;
    CWinsockSession& operator=(const CWinsockSession&) = delete;
    bool Started() const noexcept { return m_started; }

private:
    bool m_started = false;
};
