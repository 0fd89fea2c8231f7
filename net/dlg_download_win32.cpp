#include "net/dlg_download_win32.h"

#include <commctrl.h>

#include <iterator>

#include "res/resource.h"
#include "skin/skin_images_win32.h"
#include "skin/skin_names.h"
#include "win/message_box.h"

namespace {
constexpr wchar_t kTitle[] = L"Qivra网络加速器登录";
constexpr wchar_t kNoLoginAddress[] = L"没有可用的登陆地址。";
constexpr wchar_t kCannotStartDownload[] = L"无法启动下载，可能无法正常联网。";

}  // namespace

CDlgDownload::CDlgDownload() : CSkinedDialog(IDD_DOWNLOAD, kPartBackground)
{
    UseCommonControls(ICC_ANIMATE_CLASS);
    // A document that comes within this time never flashes the wait window at the user.
    ShowAfter(kShowDelayMilliseconds);
}

CDlgDownload::~CDlgDownload()
{
    if (Handle())
        ::DestroyWindow(Handle());
    StopJobs();
}

void CDlgDownload::AddUrl(std::wstring url) { m_jobs.push_back(std::make_unique<CDownloadJob>(std::move(url))); }

void CDlgDownload::OnRunStart()
{
    // Before any window: an answer that comes within the show delay costs no window at all.
    m_winnerIndex = -1;
    StartJobs();
    if (m_jobs.empty() || !m_jobsNotStarted.empty())
        ::PostMessageW(MessageTarget(), kReportStartProblemsMessage, 0, 0);
}

BOOL CDlgDownload::OnInitDialog()
{
    WriteWindowText(Handle(), kTitle);
    // No caption buttons: Cancel is the only way out.
    SetCaptionButtons(false, false, false);
    AttachFrame();
    m_cancel.BindDlgItem(Handle(), IDCANCEL);
    StartAnimation();
    // The dialog manager puts the focus on Cancel when the window is shown and activated.
    return FALSE;
}

void CDlgDownload::StartAnimation()
{
    // The template gives the control ACS_TIMER: it plays on a timer of this thread instead of a
    // thread of its own, which every fetch would otherwise start and stop again.
    // A build without the animation resource keeps the control empty.
    const HINSTANCE module = ::GetModuleHandleW(nullptr);
    if (!::FindResourceW(module, MAKEINTRESOURCEW(IDR_WAIT_ANIMATION), L"AVI"))
        return;
    const HWND animation = Item(IDC_DOWNLOAD_ANIMATION);
    ::SendMessageW(animation, ACM_OPENW, reinterpret_cast<WPARAM>(module),
                   reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(IDR_WAIT_ANIMATION)));
    ::SendMessageW(animation, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
}

void CDlgDownload::StartJobs()
{
    m_race = std::make_unique<CDownloadRace>(m_jobs.size());
    m_jobsNotStarted.clear();
    m_winsock = std::make_unique<CWinsockSession>();
    m_stop.Reset();
    for (size_t index = 0; index < m_jobs.size(); ++index) {
        CDownloadJob& job = *m_jobs[index];
        if (job.CreateSocket() && job.Start(MessageTarget(), m_stop)) {
            ++m_threadsStarted;
        } else {
            job.Join();  // closes a socket that got no thread
            m_jobsNotStarted.push_back(index);
        }
    }
}

void CDlgDownload::ReportStartProblems()
{
    ShowNow();  // the boxes belong on top of the window, which then waits for Cancel
    if (m_jobs.empty()) {
        // Nothing can arrive; the window waits for Cancel.
        ShowMessage(Handle(), kNoLoginAddress);
        return;
    }
    const std::vector<size_t> notStarted = m_jobsNotStarted;
    for (size_t index : notStarted) {
        if (!m_race || m_race->Decided())
            return;
        ShowMessage(Handle(), kCannotStartDownload);
        if (!m_race || m_race->Decided())
            return;
        Finish(m_race->JobFinished(index, false), nullptr);
    }
}

void CDlgDownload::OnDownloadFinished(LPARAM jobPointer)
{
    // Late messages of a decided race, or from jobs of an earlier run, change nothing.
    if (!m_race || m_race->Decided())
        return;
    for (size_t index = 0; index < m_jobs.size(); ++index) {
        CDownloadJob& job = *m_jobs[index];
        if (reinterpret_cast<LPARAM>(&job) != jobPointer)
            continue;
        // The message is the thread's last act; after the join its response is ours to read.
        if (job.Join())
            ++m_threadsJoined;
        Finish(m_race->JobFinished(index, IsUsableResponse(job.Response())), &job);
        return;
    }
}

void CDlgDownload::Finish(CDownloadRace::EVerdict verdict, CDownloadJob* job)
{
    switch (verdict) {
    case CDownloadRace::EVerdict::Deliver: {
        m_winnerIndex = m_race->WinnerIndex();
        std::string body = job ? job->Response().TakeBody() : std::string();
        const bool written = body.empty() || !m_output || m_output->Write(std::move(body));
        EndDialog(written ? IDOK : IDABORT);
        break;
    }
    case CDownloadRace::EVerdict::DeliverEmpty:
        // Every URL failed: an empty document, which the caller reports as a network error.
        EndDialog(IDOK);
        break;
    default:
        break;
    }
}

void CDlgDownload::StopJobs() noexcept
{
    m_stop.Set();
    for (const auto& job : m_jobs) {
        if (job->Join())
            ++m_threadsJoined;
    }
    m_jobs.clear();
    m_jobsNotStarted.clear();
    m_winsock.reset();
}

INT_PTR CDlgDownload::OnMessage(UINT message, WPARAM, LPARAM lParam, bool& handled)
{
    handled = true;
    switch (message) {
    case kDownloadFinishedMessage:
        OnDownloadFinished(lParam);
        return TRUE;
    case kReportStartProblemsMessage:
        ReportStartProblems();
        return TRUE;
    default:
        handled = false;
        return FALSE;
    }
}

RECT CDlgDownload::BodyRect(const RECT& client) const
{
    // Inside the frame's edges: (10, 30)-(381, 73) at the template's designed size of 391 x 100
    // pixels, and still the whole body when the dialog font makes the window larger.
    return RECT{10, 30, client.right - 10, client.bottom - 27};
}
