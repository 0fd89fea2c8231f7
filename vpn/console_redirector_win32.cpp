#include "vpn/console_redirector_win32.h"

#include <algorithm>

#include "base/ansi.h"
#include "vpn/console_output.h"

namespace
{

bool CreateInheritablePipe(CKernelHandle& readEnd, CKernelHandle& writeEnd)
{
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    HANDLE readHandle = nullptr;
    HANDLE writeHandle = nullptr;
    if (!::CreatePipe(&readHandle, &writeHandle, &inheritable, 0))
        return false;
    readEnd.Reset(readHandle);
    writeEnd.Reset(writeHandle);
    return true;
}

bool Duplicate(const CKernelHandle& source, CKernelHandle& copy, BOOL inheritable)
{
    HANDLE handle = nullptr;
    const HANDLE self = ::GetCurrentProcess();
    if (!::DuplicateHandle(self, source.Get(), self, &handle, 0, inheritable, DUPLICATE_SAME_ACCESS))
        return false;
    copy.Reset(handle);
    return true;
}

} // namespace

CConsoleRedirector::~CConsoleRedirector()
{
    Close();
}

void CConsoleRedirector::OnOutput(const char*, size_t)
{
}

void CConsoleRedirector::OnEnd()
{
}

bool CConsoleRedirector::Start(const std::wstring& commandLine)
{
    Close();

    // The child's ends are inheritable; ours are duplicated without inheritance so that the
    // child holds no handle to them (it would keep its own input open).
    CKernelHandle outputRead, outputWrite, inputRead, inputWrite, errorWrite;
    if (!CreateInheritablePipe(outputRead, outputWrite) || !CreateInheritablePipe(inputRead, inputWrite) ||
        !Duplicate(outputWrite, errorWrite, TRUE) || !Duplicate(outputRead, ChildOutput, FALSE) ||
        !Duplicate(inputWrite, ChildInput, FALSE)) {
        Close();
        return false;
    }
    outputRead.Reset();
    inputWrite.Reset();

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = inputRead.Get();
    startup.hStdOutput = outputWrite.Get();
    startup.hStdError = errorWrite.Get();
    PROCESS_INFORMATION process = {};
    std::wstring line = commandLine; // CreateProcessW may write into its command line
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE, nullptr,
                          nullptr, &startup, &process)) {
        Close();
        return false;
    }
    ChildProcess.Reset(process.hProcess);
    ::CloseHandle(process.hThread);
    // The child has its copies now; ours would keep the pipes open after it has gone.
    inputRead.Reset();
    outputWrite.Reset();
    errorWrite.Reset();

    ReaderFinished.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ClosedByReader = false;
    ChildRunning = true;
    if (!ReaderFinished || !ReaderThread.Start([this] { ReadUntilEnd(); })) {
        Close(); // terminates the child
        return false;
    }
    return true;
}

void CConsoleRedirector::Close()
{
    if (OnReaderThread()) {
        // The reader cannot join itself: it ends the child and leaves the handles to the owner.
        if (ChildRunning.exchange(false)) {
            ::TerminateProcess(ChildProcess.Get(), 0);
            ClosedByReader = true;
        }
        return;
    }
    std::lock_guard<std::mutex> lock(ThreadLock);
    if (ChildRunning.exchange(false))
        ::TerminateProcess(ChildProcess.Get(), 0); // harmless when it has just ended
    // The reader still drains what the child left and calls OnEnd before it ends.
    ReaderThread.Join();
    ReaderFinished.Reset();
    ChildProcess.Reset();
    ChildInput.Reset();
    ChildOutput.Reset();
}

bool CConsoleRedirector::WaitForReader(DWORD milliseconds)
{
    if (OnReaderThread())
        return false;
    std::lock_guard<std::mutex> lock(ThreadLock);
    if (!ReaderThread.Started())
        return true;
    return ::WaitForSingleObject(ReaderFinished.Get(), milliseconds) == WAIT_OBJECT_0;
}

void CConsoleRedirector::ReadUntilEnd()
{
    ReaderThreadId = ::GetCurrentThreadId();
    try {
        // Between drains, wait for the child's end rather than sleep: the last output is
        // then read at once.
        while (Drain() && ::WaitForSingleObject(ChildProcess.Get(), PollInterval) == WAIT_TIMEOUT) {
        }
        Drain(); // what the child wrote just before it ended
    } catch (...) {
        // A handler's failure ends the reading; the child is still ended and OnEnd still runs.
    }
    Close();
    try {
        OnEnd();
    } catch (...) {
    }
    ReaderThreadId = 0;  // the pool may give this thread other work next
    ::SetEvent(ReaderFinished.Get());
}

bool CConsoleRedirector::Drain()
{
    char buffer[ReadSize];
    while (!ClosedByReader) {
        DWORD waiting = 0;
        if (!::PeekNamedPipe(ChildOutput.Get(), nullptr, 0, nullptr, &waiting, nullptr))
            return false;
        if (waiting == 0)
            return true;
        DWORD read = 0;
        if (!::ReadFile(ChildOutput.Get(), buffer, std::min(waiting, ReadSize), &read, nullptr) || read == 0)
            return false;
        OnOutput(buffer, read);
    }
    return false;
}

void CConsoleRedirector::AppendOutput(const char* data, size_t length)
{
    std::lock_guard<std::mutex> lock(OutputLock);
    Output.append(data, length);
}

void CConsoleRedirector::ClearOutput()
{
    std::lock_guard<std::mutex> lock(OutputLock);
    Output.clear();
}

std::string CConsoleRedirector::GetOutput() const
{
    std::lock_guard<std::mutex> lock(OutputLock);
    return Output;
}

std::string CConsoleRedirector::TakeOutput()
{
    std::lock_guard<std::mutex> lock(OutputLock);
    std::string taken;
    taken.swap(Output);
    return taken;
}

bool CConsoleRedirector::OutputEndsWith(std::string_view text) const
{
    std::lock_guard<std::mutex> lock(OutputLock);
    return AnsiTextEndsWith(Output, text);
}

bool CConsoleRedirector::OutputContains(std::string_view text) const
{
    return FindAnsiText(GetOutput(), text) != std::string_view::npos;
}

bool CConsoleRedirector::ExtractBetween(std::string_view startText, std::string_view endText,
                                        std::string& between) const
{
    return ExtractAnsiTextBetween(GetOutput(), startText, endText, between);
}

void CConsoleRedirector::WriteInput(std::wstring_view text)
{
    const std::string bytes = WideToAnsi(text);
    if (ChildInput && !bytes.empty()) {
        DWORD written = 0;
        ::WriteFile(ChildInput.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
    ClearOutput();
}

CCConsoleRedirectorSimple::~CCConsoleRedirectorSimple()
{
    Close();
}

void CCConsoleRedirectorSimple::OnOutput(const char* data, size_t length)
{
    AppendOutput(data, length);
}
