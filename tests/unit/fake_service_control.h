#pragma once
// A service control manager in memory that behaves as the Windows one does where the restart
// depends on it: services of one host process go down together when that process ends; a
// disabled service refuses to start until its start type changes; a start stays pending for a
// scripted time and the manager may take a while to notice that a process has gone, both
// measured on the fake's own clock, which moves only when someone sleeps. Unknown names fail
// with ERROR_SERVICE_DOES_NOT_EXIST. Every call is recorded. One thread at a time.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/text.h"
#include "policy/service_control.h"

class CFakeServiceControl final : public IServiceControl {
public:
    // System error numbers the fake answers with.
    static constexpr uint32_t kAccessDenied = 5;
    static constexpr uint32_t kInvalidParameter = 87;
    static constexpr uint32_t kAlreadyRunning = 1056;
    static constexpr uint32_t kServiceDisabled = 1058;
    static constexpr uint32_t kDoesNotExist = 1060;
    static constexpr uint32_t kNotAllAssigned = 1300;
    static constexpr uint64_t kForever = std::numeric_limits<uint64_t>::max();

    // Calls that can be made to fail for one service.
    enum class ECall { Open, QueryState, QueryStartType, ChangeStartType, Start };

    struct SService {
        std::wstring name;
        uint32_t state = service_state::kStopped;
        uint32_t startType = service_start::kOnDemand;
        uint32_t processId = 0;
        std::wstring host;             // services with the same host share a process
        uint64_t startPendingMs = 0;   // how long each start stays pending
        uint64_t pendingUntil = 0;
        uint64_t stopsAt = kForever;   // when the manager notices that the process has gone
    };

    // A service in `state`; one that runs gets its host's process, a new one if the host has
    // none yet. Without a host the service has a process of its own.
    void Add(const std::wstring& name, uint32_t state, const std::wstring& host = L"",
             uint32_t startType = service_start::kOnDemand)
    {
        SService service;
        service.name = name;
        service.state = state;
        service.startType = startType;
        service.host = host.empty() ? L"own:" + name : host;
        if (state != service_state::kStopped)
            service.processId = ProcessOf(service.host);
        service.pendingUntil = kForever;  // one added while starting stays so unless told otherwise
        m_services.push_back(std::move(service));
    }
    // How long each start of the service stays pending, this one too if it is starting now.
    void SetStartPending(const std::wstring& name, uint64_t milliseconds)
    {
        SService& service = *Find(name);
        service.startPendingMs = milliseconds;
        service.pendingUntil = milliseconds == kForever ? kForever : m_now + milliseconds;
    }
    // After a process ends, its services keep their last state this long (kForever: always).
    void SetStopDelay(uint64_t milliseconds) { m_stopDelay = milliseconds; }
    // The next `times` calls of this kind for `name` fail with `error`.
    void Fail(const std::wstring& name, ECall call, uint32_t error, int times = 1000)
    {
        m_failures[{ToLowerAscii(name), call}] = {error, times};
    }
    // Manager opens and snapshots from the `nth` on (counted from 1) fail.
    void FailManagerOpensFrom(size_t nth) { m_failManagerFrom = nth; }
    void FailSnapshotsFrom(size_t nth) { m_failSnapshotFrom = nth; }
    void SetPrivilegeResult(uint32_t error) { m_privilegeResult = error; }
    void SetTick(uint32_t tick) { m_firstTick = tick; }

    // What the services look like now (settled on the clock).
    const SService& Service(const std::wstring& name)
    {
        Settle();
        return *Find(name);
    }
    // Every call in order: "OpenManager", "OpenService RasMan", "Start RasMan", "Sleep 1000"...
    const std::vector<std::wstring>& Log() const { return m_log; }
    void ClearLog() { m_log.clear(); }
    // The recorded calls that begin with `prefix`, with the prefix taken off.
    std::vector<std::wstring> Calls(std::wstring_view prefix) const
    {
        std::vector<std::wstring> found;
        for (const std::wstring& call : m_log) {
            if (call.compare(0, prefix.size(), prefix) == 0)
                found.push_back(call.substr(prefix.size()));
        }
        return found;
    }
    uint64_t Elapsed() const { return m_now; }
    size_t OpenHandles() const { return m_openManagers + m_openServices; }

    // IServiceControl
    uint32_t OpenManager(std::unique_ptr<IServiceManager>& manager) override
    {
        manager.reset();
        Record(L"OpenManager");
        if (++m_managerOpens >= m_failManagerFrom)
            return kAccessDenied;
        manager = std::make_unique<CManager>(*this);
        return 0;
    }
    uint32_t TerminateProcess(uint32_t processId) override
    {
        Record(L"Terminate " + std::to_wstring(processId));
        Settle();
        bool found = false;
        for (SService& service : m_services) {
            if (processId != 0 && service.processId == processId) {
                found = true;
                service.stopsAt = m_stopDelay == kForever ? kForever : m_now + m_stopDelay;
            }
        }
        Settle();
        return found ? 0 : kInvalidParameter;
    }
    uint32_t EnablePrivilege(std::wstring_view name) override
    {
        Record(L"EnablePrivilege " + std::wstring(name));
        return m_privilegeResult;
    }
    uint32_t TickCount() override { return static_cast<uint32_t>(m_firstTick + m_now); }
    void Sleep(uint32_t milliseconds) override
    {
        Record(L"Sleep " + std::to_wstring(milliseconds));
        m_now += milliseconds;
    }

private:
    class CService final : public IService {
    public:
        CService(CFakeServiceControl& owner, std::wstring name) : m_owner(owner), m_name(std::move(name))
        {
            ++m_owner.m_openServices;
        }
        ~CService() override
        {
            m_owner.Record(L"CloseService " + m_name);
            --m_owner.m_openServices;
        }
        uint32_t QueryState(uint32_t& state) override
        {
            if (const uint32_t error = m_owner.Call(ECall::QueryState, L"QueryState ", m_name))
                return error;
            state = m_owner.Find(m_name)->state;
            return 0;
        }
        uint32_t QueryStartType(uint32_t& startType) override
        {
            if (const uint32_t error = m_owner.Call(ECall::QueryStartType, L"QueryStartType ", m_name))
                return error;
            startType = m_owner.Find(m_name)->startType;
            return 0;
        }
        uint32_t ChangeStartType(uint32_t startType) override
        {
            if (const uint32_t error =
                    m_owner.Call(ECall::ChangeStartType, L"ChangeStartType " + std::to_wstring(startType) + L" ", m_name))
                return error;
            m_owner.Find(m_name)->startType = startType;
            return 0;
        }
        uint32_t Start() override
        {
            if (const uint32_t error = m_owner.Call(ECall::Start, L"Start ", m_name))
                return error;
            SService& service = *m_owner.Find(m_name);
            if (service.startType == service_start::kDisabled)
                return kServiceDisabled;
            if (service.state != service_state::kStopped)
                return kAlreadyRunning;
            service.processId = m_owner.ProcessOf(service.host);
            service.state = service.startPendingMs > 0 ? service_state::kStartPending : service_state::kRunning;
            service.pendingUntil = service.startPendingMs == kForever ? kForever : m_owner.m_now + service.startPendingMs;
            return 0;
        }

    private:
        CFakeServiceControl& m_owner;
        std::wstring m_name;
    };

    class CManager final : public IServiceManager {
    public:
        explicit CManager(CFakeServiceControl& owner) : m_owner(owner) { ++m_owner.m_openManagers; }
        ~CManager() override
        {
            m_owner.Record(L"CloseManager");
            --m_owner.m_openManagers;
        }
        uint32_t Open(std::wstring_view name, std::unique_ptr<IService>& service) override
        {
            service.reset();
            const std::wstring asked(name);
            if (const uint32_t error = m_owner.Call(ECall::Open, L"OpenService ", asked))
                return error;
            service = std::make_unique<CService>(m_owner, m_owner.Find(asked)->name);
            return 0;
        }
        uint32_t Snapshot(std::vector<SServiceEntry>& services) override
        {
            services.clear();
            m_owner.Record(L"Snapshot");
            if (++m_owner.m_snapshots >= m_owner.m_failSnapshotFrom)
                return kAccessDenied;
            m_owner.Settle();
            for (const SService& service : m_owner.m_services)
                services.push_back({service.name, service.state, service.processId});
            return 0;
        }

    private:
        CFakeServiceControl& m_owner;
    };

    struct SFailure {
        uint32_t error = 0;
        int times = 0;
    };

    void Record(std::wstring call) { m_log.push_back(std::move(call)); }

    SService* Find(std::wstring_view name)
    {
        for (SService& service : m_services) {
            if (EqualsIgnoreCase(service.name, name))
                return &service;
        }
        return nullptr;
    }

    // Records the call; answers an injected failure, an unknown name, or 0.
    uint32_t Call(ECall call, const std::wstring& label, const std::wstring& name)
    {
        Record(label + name);
        Settle();
        const auto failure = m_failures.find({ToLowerAscii(name), call});
        if (failure != m_failures.end() && failure->second.times > 0) {
            --failure->second.times;
            return failure->second.error;
        }
        return Find(name) ? 0 : kDoesNotExist;
    }

    // The host's running process, or a new one.
    uint32_t ProcessOf(const std::wstring& host)
    {
        for (const SService& service : m_services) {
            if (service.host == host && service.processId != 0 && service.stopsAt == kForever)
                return service.processId;
        }
        return m_nextProcessId += 4;
    }

    // Applies what the clock has brought: finished starts, noticed process ends.
    void Settle()
    {
        for (SService& service : m_services) {
            if (service.stopsAt != kForever && m_now >= service.stopsAt) {
                service.state = service_state::kStopped;
                service.processId = 0;
                service.stopsAt = kForever;
            }
            if (service.state == service_state::kStartPending && service.pendingUntil != kForever &&
                m_now >= service.pendingUntil)
                service.state = service_state::kRunning;
        }
    }

    std::vector<SService> m_services;
    std::map<std::pair<std::wstring, ECall>, SFailure> m_failures;
    std::vector<std::wstring> m_log;
    uint64_t m_now = 0;
    uint32_t m_firstTick = 0;
    uint64_t m_stopDelay = 0;
    uint32_t m_nextProcessId = 1000;
    uint32_t m_privilegeResult = 0;
    size_t m_managerOpens = 0;
    size_t m_snapshots = 0;
    size_t m_failManagerFrom = std::numeric_limits<size_t>::max();
    size_t m_failSnapshotFrom = std::numeric_limits<size_t>::max();
    size_t m_openManagers = 0;
    size_t m_openServices = 0;
};
