// The fetch wait window (template 137): races one download thread per URL for the same document
// and delivers the first usable answer to Output. Run it modally; Cancel (button, Escape, Enter)
// is the only way out while downloads run: there is no timeout. The downloads start before the
// window, which is made and shown only when the answer takes longer than kShowDelayMilliseconds;
// the owner is disabled from the start.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "net/download_job_win32.h"
#include "net/download_output_win32.h"
#include "net/download_race.h"
#include "skin/skin_button_win32.h"
#include "skin/skin_dialog_win32.h"
#include "win/worker_thread.h"

class CDlgDownload : public CSkinedDialog {
public:
    static constexpr UINT kShowDelayMilliseconds = 250;

    CDlgDownload();
    ~CDlgDownload() override;

    // Before the run, any number of times: one alternative URL for the same document.
    void AddUrl(std::wstring url);
    // Before the run. Not owned. The winning body is written to it in one call.
    void SetOutput(IDownloadOutput* output) { m_output = output; }

    // After an IDOK run: the job whose body was delivered, or -1 when every URL failed (then
    // nothing was written). The run ends with IDOK, IDCANCEL (the user), or IDABORT when the
    // winning body could not be written to Output.
    int WinnerIndex() const { return m_winnerIndex; }

    // Download threads started and joined over this object's life; equal once the window is gone.
    size_t ThreadsStarted() const { return m_threadsStarted; }
    size_t ThreadsJoined() const { return m_threadsJoined; }

protected:
    void OnRunStart() override;
    // After OK and after Cancel alike: no thread or socket outlives the run.
    void OnRunEnd() override { StopJobs(); }
    BOOL OnInitDialog() override;
    void OnOK() override { OnCancel(); }  // Enter is Cancel: the window has nothing to confirm
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    RECT BodyRect(const RECT& client) const override;

private:
    void StartAnimation();
    void StartJobs();
    void ReportStartProblems();
    void OnDownloadFinished(LPARAM job);
    void Finish(CDownloadRace::EVerdict verdict, CDownloadJob* job);
    void StopJobs() noexcept;

    std::vector<std::unique_ptr<CDownloadJob>> m_jobs;
    std::vector<size_t> m_jobsNotStarted;
    std::unique_ptr<CDownloadRace> m_race;
    IDownloadOutput* m_output = nullptr;
    int m_winnerIndex = -1;
    CStopSignal m_stop;
    std::unique_ptr<CWinsockSession> m_winsock;  // for the sockets made on this thread
    size_t m_threadsStarted = 0;
    size_t m_threadsJoined = 0;
    CSkinedButton m_cancel;
};
