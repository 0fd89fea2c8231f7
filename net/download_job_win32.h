// One URL of a fetch: its socket, its download thread and the response parser the thread feeds.
// The fetch window owns the jobs. The thread is the only user of the socket and the parser while
// it runs; the window touches them before Start and after Join only.
#pragma once

#include <string>

#include "net/http_response_parser.h"
#include "win/handle.h"
#include "win/window_messages.h"
#include "win/winsock_session.h"
#include "win/worker_thread.h"

class CDownloadJob {
public:
    explicit CDownloadJob(std::wstring url);
    ~CDownloadJob();  // joins a thread still running; its owner should have signalled stop
    CDownloadJob(const CDownloadJob&) = delete;
    CDownloadJob& operator=(const CDownloadJob&) = delete;

    const std::wstring& Url() const { return m_url; }

    // Creates the TCP socket on the caller's thread. False when the system gives none.
    bool CreateSocket() noexcept;
    // Starts the download thread. `stop` is set by the owner to stop every job and must outlive
    // the thread; `owner` receives kDownloadFinishedMessage when the thread ends.
    bool Start(HWND owner, const CStopSignal& stop) noexcept;
    bool Started() const noexcept { return m_thread.Started(); }
    // Waits for the thread without a limit and closes the socket. True if a thread was joined.
    bool Join() noexcept;

    // Read only after Join.
    const CHttpResponseParser& Response() const { return m_response; }
    CHttpResponseParser& Response() { return m_response; }

private:
    // What the socket's network events have told so far.
    struct SSocketEvents {
        bool connected = false;
        int connectError = 0;
        bool closed = false;
        int closeError = 0;
    };

    void Run() noexcept;
    void Download();
    // Waits for network events or the stop event and notes what happened. False when stopped or
    // the wait failed.
    bool WaitForNetwork(HANDLE networkEvent, SSocketEvents& seen);
    // False on a socket error or a stop.
    bool SendRequest(const std::string& request, HANDLE networkEvent, SSocketEvents& seen);
    // Feeds the parser until the response is decided, the connection ends or the owner stops us.
    void Receive(HANDLE networkEvent, SSocketEvents& seen);

    std::wstring m_url;
    CSocket m_socket;
    HWND m_owner = nullptr;
    const CStopSignal* m_stop = nullptr;  // the owner's; outlives the thread
    CWorkerThread m_thread;
    CHttpResponseParser m_response;
};
