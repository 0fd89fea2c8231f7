// Where a fetch window delivers the winning body: a disk file for the login document, memory for
// the route list. The window writes once, on its own thread, after the download has ended.
#pragma once

#include <string>
#include <string_view>

#include "win/handle.h"

class IDownloadOutput {
public:
    virtual ~IDownloadOutput() = default;
    // False when the bytes could not be stored. The bytes are handed over: an output that keeps
    // them in memory takes them as they are.
    virtual bool Write(std::string bytes) = 0;
};

class CMemoryDownloadOutput : public IDownloadOutput {
public:
    bool Write(std::string bytes) override;

    const std::string& Bytes() const { return m_bytes; }
    std::string TakeBytes() { return std::move(m_bytes); }

private:
    std::string m_bytes;
};

class CFileDownloadOutput : public IDownloadOutput {
public:
    // Creates the file or empties an existing one. False when it cannot be opened for writing.
    bool Open(const std::wstring& path);
    bool Write(std::string bytes) override;
    void Close() { m_file.Reset(); }
    bool IsOpen() const { return m_file.Valid(); }

private:
    CFileHandle m_file;
};
