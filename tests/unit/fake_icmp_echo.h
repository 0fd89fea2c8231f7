#pragma once
// An ICMP echo in memory for the speed test's tests: every host answers from a script, probes
// can take time or be held the way a real echo sits out its timeout, and every probe is counted.
// Any number of workers may probe at once.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "policy/speed_test.h"

class CFakeIcmpEcho : public IIcmpEcho {
public:
    using Milliseconds = std::chrono::milliseconds;

    // What one probe does.
    struct SOutcome {
        bool answered = false;   // Probe's answer; false is a lost echo
        uint32_t roundTripMs = 0;
        uint32_t status = 0;     // the reply's status
        Milliseconds delay{0};   // how long the probe takes
    };
    static SOutcome Reply(uint32_t roundTripMs, Milliseconds delay = Milliseconds(0))
    {
        return {true, roundTripMs, 0, delay};
    }
    static SOutcome Lost(Milliseconds delay = Milliseconds(0)) { return {false, 0, 0, delay}; }
    // A reply that came back with an error status, such as an unreachable destination.
    static SOutcome Failed(uint32_t status, Milliseconds delay = Milliseconds(0))
    {
        return {true, 0, status, delay};
    }

    // Successive probes of `host` take these outcomes in turn, the last one repeating. A host
    // without a script loses every probe.
    void Script(const std::wstring& host, std::vector<SOutcome> outcomes)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_scripts[host] = std::move(outcomes);
    }

    // Added to every probe's own delay.
    void SetDelay(Milliseconds delay)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_delay = delay;
    }

    // Probes that start from now on wait until Release() or until `longest` has passed, as a real
    // echo waits out its timeout, and then answer as scripted.
    void Hold(Milliseconds longest)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_holding = true;
        m_holdLongest = longest;
    }

    // Lets the held probes go on at once; later probes are not held.
    void Release()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_holding = false;
            ++m_releases;
        }
        m_changed.notify_all();
    }

    bool Probe(std::wstring_view host, SEchoReply& reply) override
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        const std::wstring name(host);
        const size_t earlier = m_counts[name]++;
        m_probed.push_back(name);
        ++m_inProgress;
        SOutcome outcome;
        const auto script = m_scripts.find(name);
        if (script != m_scripts.end() && !script->second.empty())
            outcome = script->second[std::min(earlier, script->second.size() - 1)];
        const Milliseconds delay = m_delay + outcome.delay;
        m_changed.notify_all();

        if (m_holding) {
            const uint64_t releases = m_releases;
            m_changed.wait_for(lock, m_holdLongest, [&] { return m_releases != releases; });
        }
        lock.unlock();
        if (delay.count() > 0)
            std::this_thread::sleep_for(delay);

        if (outcome.answered) {
            reply.roundTripTime = outcome.roundTripMs;
            reply.status = outcome.status;
        }
        lock.lock();
        --m_inProgress;
        ++m_finished;
        m_changed.notify_all();
        return outcome.answered;
    }

    // Probes of one host, or of all, counted as they start.
    size_t ProbeCount(std::wstring_view host) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto count = m_counts.find(std::wstring(host));
        return count == m_counts.end() ? 0 : count->second;
    }
    size_t ProbeCount() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_probed.size();
    }
    // Every probe's host in the order the probes started, repeats included.
    std::vector<std::wstring> ProbedHosts() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_probed;
    }
    // Probes started and not yet answered.
    size_t InProgress() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_inProgress;
    }

    // True once `count` probes have started, false if that took longer than `within`.
    bool WaitForProbes(size_t count, Milliseconds within)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, within, [&] { return m_probed.size() >= count; });
    }
    // True once `count` probes have answered, false if that took longer than `within`.
    bool WaitForAnswers(size_t count, Milliseconds within)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, within, [&] { return m_finished >= count; });
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::wstring, std::vector<SOutcome>> m_scripts;
    std::map<std::wstring, size_t> m_counts;
    std::vector<std::wstring> m_probed;
    Milliseconds m_delay{0};
    bool m_holding = false;
    Milliseconds m_holdLongest{0};
    uint64_t m_releases = 0;
    size_t m_inProgress = 0;
    size_t m_finished = 0;
};
