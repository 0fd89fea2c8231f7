#pragma once

// Decides which of the racing downloads delivers. The first job with a usable answer wins; a job
// that failed (no connection, no complete response) only drops out of the race. When every job
// has dropped out the race ends with no winner and the caller delivers an empty document.
// Used on the fetch window's thread only.

#include <cstddef>
#include <vector>

#include "net/http_response_parser.h"

// A job's answer may win when its response is complete.
bool IsUsableResponse(const CHttpResponseParser& response);

class CDownloadRace {
public:
    enum class EVerdict {
        Wait,         // other jobs still run
        Deliver,      // this job won: deliver its body, WinnerIndex() names it
        DeliverEmpty, // every job failed: deliver an empty document
        Ignore,       // the race was already decided, or this report is not news
    };

    explicit CDownloadRace(std::size_t jobCount);

    // Report that a job ended (or could not start). A race of no jobs never ends by itself.
    EVerdict JobFinished(std::size_t jobIndex, bool usable);

    bool Decided() const { return m_decided; }
    // Index of the winning job, or -1 (before the end, or when every job failed).
    int WinnerIndex() const { return m_winner; }

private:
    std::vector<bool> m_finished;
    std::size_t m_running;
    bool m_decided = false;
    int m_winner = -1;
};
