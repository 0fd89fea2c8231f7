#pragma once
// A dial-up service in memory for the dial-up connection's tests: it records the entry, the
// dial parameters and every call, hands out handles, and plays notification sequences to the
// dialling connection from a thread of its own, behind a gate that EndNotifications closes the
// way the real notifier's registration does.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "vpn/general_vpn.h"
#include "vpn/inet_address.h"
#include "vpn/memory_ip_helper.h"
#include "vpn/ras_api.h"

namespace windows_vpn_test
{

struct CRasStep
{
    uint32_t State;
    uint32_t Error;
};

class CFakeRasApi : public IRasApi
{
public:
    ~CFakeRasApi() override { WaitForPlayback(); }

    // Answers, set before use.
    std::vector<CRasConnection> ActiveConnections; // what EnumConnections lists
    uint32_t EnumResult = 0;
    uint32_t SetEntryResult = 0;
    uint32_t DialResult = 0;
    RasConnectionHandle DialHandle = 0x5A5A; // handed out by every dial, failed ones too
    std::wstring TunnelAddress = L"10.8.0.6";
    uint32_t ProjectionResult = 0;
    uint32_t BytesSent = 0;
    uint32_t StatisticsResult = 0;  // a failing poll of a live line
    uint32_t BytesReceived = 0;
    std::map<uint32_t, std::wstring> ErrorTexts;
    // Runs inside HangUp, on the caller's thread.
    std::function<void()> OnHangUp;

    uint32_t SetEntryProperties(const std::wstring& entryName, const CRasEntry& entry) override
    {
        std::lock_guard<std::mutex> guard(RecordLock);
        Journal.push_back("entry");
        Entries.emplace_back(entryName, entry);
        return SetEntryResult;
    }

    uint32_t Dial(const CRasDialParams& params, IRasNotificationSink& sink,
                  RasConnectionHandle& connection) override
    {
        {
            std::lock_guard<std::mutex> guard(RecordLock);
            Journal.push_back("dial");
            Dials.push_back(params);
            if (DialHandle != 0)
                Live.push_back(DialHandle);
        }
        {
            std::lock_guard<std::mutex> gate(GateLock);
            Sink = &sink;
        }
        connection = DialHandle;
        return DialResult;
    }

    void EndNotifications(IRasNotificationSink& sink) override
    {
        std::lock_guard<std::mutex> gate(GateLock);
        if (Sink == &sink)
            Sink = nullptr;
        Record("end");
    }

    uint32_t HangUp(RasConnectionHandle connection) override
    {
        if (OnHangUp)
            OnHangUp();
        std::lock_guard<std::mutex> guard(RecordLock);
        Journal.push_back("hangup");
        HangUps.push_back(connection);
        for (auto live = Live.begin(); live != Live.end(); ++live)
            if (*live == connection) {
                Live.erase(live);
                return 0;
            }
        return RasResult::InvalidHandle;
    }

    uint32_t EnumConnections(std::vector<CRasConnection>& connections) override
    {
        std::lock_guard<std::mutex> guard(RecordLock);
        Journal.push_back("enum");
        if (EnumResult != 0)
            return EnumResult;
        connections = ActiveConnections;
        for (const CRasConnection& active : ActiveConnections)
            Live.push_back(active.Handle);
        return 0;
    }

    uint32_t GetTunnelAddress(RasConnectionHandle connection, std::wstring& address) override
    {
        std::lock_guard<std::mutex> guard(RecordLock);
        Journal.push_back("address");
        if (!IsLive(connection))
            return RasResult::InvalidHandle;
        if (ProjectionResult != 0)
            return ProjectionResult;
        address = TunnelAddress;
        return 0;
    }

    uint32_t GetConnectionStatistics(RasConnectionHandle connection, uint32_t& bytesSent,
                                     uint32_t& bytesReceived) override
    {
        std::lock_guard<std::mutex> guard(RecordLock);
        if (!IsLive(connection))
            return RasResult::InvalidHandle;
        if (StatisticsResult != 0)
            return StatisticsResult;
        bytesSent = BytesSent;
        bytesReceived = BytesReceived;
        return 0;
    }

    uint32_t GetErrorString(uint32_t code, std::wstring& text) override
    {
        const auto found = ErrorTexts.find(code);
        if (found == ErrorTexts.end())
            return 87;
        text = found->second;
        return 0;
    }

    // Plays steps to the last dial's sink on the fake's thread, with the given pause before
    // each. A step that finds the gate closed ends the playback.
    void Play(std::vector<CRasStep> steps,
              std::chrono::microseconds pause = std::chrono::microseconds(0))
    {
        WaitForPlayback();
        Player = std::thread([this, steps, pause] {
            for (const CRasStep& step : steps) {
                // Spinning keeps the pauses short and even, where sleeping would round them up.
                const auto end = std::chrono::steady_clock::now() + pause;
                while (std::chrono::steady_clock::now() < end)
                    ;
                std::lock_guard<std::mutex> gate(GateLock);
                if (!Sink)
                    return;
                Record("notify");
                const uint32_t result = Sink->OnRasNotification(DialHandle, step.State, step.Error);
                std::lock_guard<std::mutex> guard(RecordLock);
                Journal.push_back("notified");
                NotifierResults.push_back(result);
            }
        });
    }

    void WaitForPlayback()
    {
        if (Player.joinable())
            Player.join();
    }

    // Records; read them once the playback has ended.
    std::vector<std::pair<std::wstring, CRasEntry>> Entries;
    std::vector<CRasDialParams> Dials;
    std::vector<RasConnectionHandle> HangUps;
    std::vector<uint32_t> NotifierResults;
    std::vector<std::string> Journal; // every call, in order

    size_t CountInJournal(const std::string& call) const
    {
        size_t count = 0;
        for (const std::string& entry : Journal)
            count += entry == call;
        return count;
    }

private:
    void Record(const char* call)
    {
        std::lock_guard<std::mutex> guard(RecordLock);
        Journal.push_back(call);
    }
    bool IsLive(RasConnectionHandle connection) const
    {
        for (RasConnectionHandle live : Live)
            if (live == connection)
                return true;
        return false;
    }

    std::mutex RecordLock;
    std::vector<RasConnectionHandle> Live; // handed out and not hung up; under RecordLock
    std::mutex GateLock;
    IRasNotificationSink* Sink = nullptr; // under GateLock
    std::thread Player;
};

class CRecordingObserver : public CGeneralVpnCallbackInterface
{
public:
    void OnVpnStatusChanged(CGeneralVpn* connection) override
    {
        std::lock_guard<std::mutex> guard(Lock);
        Seen.push_back(connection->GetStatus());
    }
    std::vector<CVpnStatus> Snapshot()
    {
        std::lock_guard<std::mutex> guard(Lock);
        return Seen;
    }

private:
    std::mutex Lock;
    std::vector<CVpnStatus> Seen;
};

inline CVpnStatus Status(uint32_t state, uint32_t error, uint32_t detail)
{
    CVpnStatus status;
    status.State = state;
    status.Error = error;
    status.Detail = detail;
    return status;
}

// A machine on 192.168.1.0/24 behind 192.168.1.1 (interface 1) whose dial-up adapter gets
// 10.8.0.6 (interface 7).
inline void SetUpMachine(CMemoryIpHelper& table)
{
    table.AddInterface(1, "192.168.1.10", 20);
    table.AddInterface(7, "10.8.0.6", 25);
    CRouteRow defaultRoute;
    defaultRoute.NextHop = InetAddr("192.168.1.1");
    defaultRoute.InterfaceIndex = 1;
    defaultRoute.Type = 4;
    defaultRoute.Proto = 2;
    defaultRoute.Metric1 = 20;
    table.CreateForwardEntry(defaultRoute);
}

} // namespace windows_vpn_test

inline void PrintTo(const CVpnStatus& status, std::ostream* out)
{
    *out << "(" << status.State << ", " << status.Error << ", " << status.Detail << ")";
}
