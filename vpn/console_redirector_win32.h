#pragma once
// Runs a console program as a hidden child with both ends of its console connected to us: a
// reader thread hands everything the child writes (standard output and standard error, merged,
// in chunks of up to 4,096 bytes cut anywhere) to OnOutput, and calls OnEnd once after the child
// has ended and its last output has been delivered. WriteInput types into the child.
//
// The base class does not keep the output: a subclass appends what it wants to Output in its
// OnOutput and searches it there. Every access to Output holds OutputLock.
//
// Threads. The owner (the thread that calls Start and destroys the object) and the reader thread
// meet here. Close may come from either, more than once: exactly one caller ends the child. The
// reader never closes a handle: when it ends the child itself it only terminates it, and the
// owner's side joins the reader and then closes the child's handles, so no handle is closed
// while another thread still uses it. Until the owner's next Close, Start or destruction, a
// finished reader thread's handle stays open. OnOutput and OnEnd must never wait for the
// owner's thread, which may be waiting for the reader in Close.
//
// A subclass whose handlers use anything of its own must Close in its own destructor: the
// reader must be gone before the subclass is.

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

#include "win/handle.h"
#include "win/worker_thread.h"

class CConsoleRedirector
{
public:
    // How long the reader waits for the child's exit between two reads, in milliseconds.
    static constexpr DWORD PollInterval = 100;
    // The most one read takes from the pipe, and so the largest chunk OnOutput receives.
    static constexpr DWORD ReadSize = 4096;

    CConsoleRedirector() = default;
    CConsoleRedirector(const CConsoleRedirector&) = delete;
    CConsoleRedirector& operator=(const CConsoleRedirector&) = delete;

    // The slots, in their order. The destructor closes (terminating a child that still runs).
    virtual ~CConsoleRedirector();

protected:
    // The reader thread, for every chunk read. The base does nothing.
    virtual void OnOutput(const char* data, size_t length);
    // The reader thread, once per Start, as its last act: the child has ended (or was ended)
    // and all its output has gone to OnOutput. The base does nothing.
    virtual void OnEnd();

public:
    // Owner's thread. Closes any previous child, then runs the command line (program and
    // arguments, as CreateProcessW parses it) hidden in a console of its own. True when the
    // child and the reader thread run; false, with nothing left open, when the program cannot
    // be started or a pipe or the thread cannot be made.
    bool Start(const std::wstring& commandLine);
    // Any thread. Ends the child (TerminateProcess, exit code 0) if it still runs. From any
    // thread but the reader, also waits without a limit for the reader to finish (it delivers
    // the last output and calls OnEnd first) and closes every handle. Nothing happens twice.
    void Close();
    // Owner's thread. Waits up to `milliseconds` (INFINITE allowed) for the reader thread to
    // finish, OnEnd included. True when no reader runs any more; false on time-out or when
    // called from the reader itself.
    bool WaitForReader(DWORD milliseconds);
    // True from a successful Start until the child has been ended (by itself or by Close):
    // then all its output is in OnOutput's hands already.
    bool HasChildProcess() const { return ChildRunning.load(); }

    // The output buffer. Any thread.
    void AppendOutput(const char* data, size_t length);
    void ClearOutput();
    std::string GetOutput() const;
    // A copy of Output, emptied in the same hold of the lock.
    std::string TakeOutput();
    // The searches never match part of a double-byte character of code page 936.
    bool OutputEndsWith(std::string_view text) const;
    bool OutputContains(std::string_view text) const;
    // The bytes between the first `startText` and the first `endText` after it; false, with
    // `between` untouched, when either is missing.
    bool ExtractBetween(std::string_view startText, std::string_view endText,
                        std::string& between) const;

    // The owner's or the reader's thread. Types `text`, converted to the ANSI code page, into
    // the child (one write; a child that has gone is ignored), then empties Output in every
    // case: a prompt left at the end of Output would otherwise be answered again.
    void WriteInput(std::wstring_view text);

private:
    void ReadUntilEnd();
    // Passes what the pipe holds to OnOutput. False when a peek or read failed (the child has
    // gone and the pipe is empty) or the reader closed from inside OnOutput.
    bool Drain();
    bool OnReaderThread() const { return ::GetCurrentThreadId() == ReaderThreadId.load(); }

    CWorkerThread ReaderThread;               // joined by the owner's side only
    std::atomic<DWORD> ReaderThreadId{0};     // set and cleared by the reader itself
    CKernelHandle ReaderFinished;             // manual reset: set after OnEnd, for WaitForReader
    // Held by the owner's side while it waits for, joins and releases the reader and the
    // child's handles. The reader never takes it.
    std::mutex ThreadLock;
    mutable std::mutex OutputLock;
    CKernelHandle ChildInput;                 // our end of the child's standard input
    CKernelHandle ChildOutput;                // our end of its standard output and error
    CKernelHandle ChildProcess;
    std::atomic<bool> ChildRunning{false};    // cleared by whoever ends the child, once
    bool ClosedByReader = false;              // the reader thread's own: it closed in OnOutput
    std::string Output;                       // under OutputLock
};

// Keeps everything the child prints, for a caller that reads it after the child has ended.
class CCConsoleRedirectorSimple : public CConsoleRedirector
{
public:
    ~CCConsoleRedirectorSimple() override;

protected:
    void OnOutput(const char* data, size_t length) override;
};
