#pragma once
// The route journal's file on disk. A replacement is written beside it, forced to the disk and
// moved over it in one step, so that a power loss leaves the old journal or the new one.

#include <string>

#include "vpn/route_journal.h"

class CWin32JournalFile : public IJournalFile
{
public:
    // The folder is created at the first write.
    explicit CWin32JournalFile(std::wstring path) : Path(std::move(path)) {}

    EReadResult Read(std::string& text) override;
    bool Replace(const std::string& text) override;
    bool Remove() override;

private:
    std::wstring Path;
};
