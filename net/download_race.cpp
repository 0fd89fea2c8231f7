#include "net/download_race.h"

bool IsUsableResponse(const CHttpResponseParser& response)
{
    return response.State() == EHttpParseState::Complete;
}

CDownloadRace::CDownloadRace(std::size_t jobCount) : m_finished(jobCount, false), m_running(jobCount) {}

CDownloadRace::EVerdict CDownloadRace::JobFinished(std::size_t jobIndex, bool usable)
{
    if (m_decided || jobIndex >= m_finished.size() || m_finished[jobIndex])
        return EVerdict::Ignore;
    m_finished[jobIndex] = true;
    --m_running;
    if (usable) {
        m_decided = true;
        m_winner = static_cast<int>(jobIndex);
        return EVerdict::Deliver;
    }
    if (m_running == 0) {
        m_decided = true;
        return EVerdict::DeliverEmpty;
    }
    return EVerdict::Wait;
}
