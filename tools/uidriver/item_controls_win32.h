// List views and combo boxes of another process: their items and which one is selected.
#pragma once

#include "win/handle.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// A block of memory inside another process, released with its owner. List view messages carry
// pointers that the system passes on unchanged, so what they point to must live over there.
class CRemoteMemory {
public:
    CRemoteMemory(HANDLE process, size_t size) noexcept;
    ~CRemoteMemory();
    CRemoteMemory(const CRemoteMemory&) = delete;
    CRemoteMemory& operator=(const CRemoteMemory&) = delete;

    explicit operator bool() const noexcept { return m_address != nullptr; }
    // The address in the other process, `offset` bytes into the block.
    void* At(size_t offset) const noexcept { return static_cast<char*>(m_address) + offset; }
    bool Write(size_t offset, const void* data, size_t size) const noexcept;
    bool Read(size_t offset, void* data, size_t size) const noexcept;

private:
    HANDLE m_process;
    void* m_address;
    size_t m_size;
};

// A list view of another process, read and changed through memory in that process. Every
// message is sent with a time limit; a false return means the control did not answer, and
// Error() says what went wrong.
class CRemoteListView {
public:
    explicit CRemoteListView(HWND listView) noexcept : m_listView(listView) {}

    // Opens the list view's process and makes room there; false with Error() set if it cannot.
    bool Open();
    const std::wstring& Error() const noexcept { return m_error; }

    bool RowCount(int& count);
    // Columns of the report view's header; 1 for a list view without one.
    bool ColumnCount(int& count);
    bool Text(int row, int column, std::wstring& text);
    bool IsSelected(int row, bool& selected);
    // Selects and focuses one row and deselects the others, or with row -1 deselects every row,
    // as a click on the row or on empty space would; the control tells its owner of each change
    // (LVN_ITEMCHANGED) before this returns.
    bool Select(int row);

private:
    bool Ask(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool SetState(int row, UINT state, UINT mask);
    // Replaces the remote block with one whose text buffer holds `textCapacity` characters.
    bool MakeRoom(int textCapacity);

    HWND m_listView;
    CKernelHandle m_process;
    std::unique_ptr<CRemoteMemory> m_memory;  // an LVITEMW, then its text buffer; freed before m_process
    int m_textCapacity = 0;                   // characters, the terminator included
    std::wstring m_error;
};

// The items of a combo box of another process and the index of the selected one (-1: none).
// False if the combo box did not answer.
bool ReadComboItems(HWND combo, std::vector<std::wstring>& items, int& selected);

// Selects an item of a combo box as a choice in its drop-down list would: CB_SETCURSEL, then the
// CBN_SELCHANGE notification to its owner. False with `error` (to follow the combo's description)
// if there is no such item or the combo box or its owner did not answer.
bool SelectComboItem(HWND combo, int index, std::wstring& error);

bool IsListView(HWND window);
bool IsComboBox(HWND window);

class CCommandLine;
class CWindowQuery;
// Waits for the control the window options name and checks that it is a list view
// (IsListView) or a combo box (IsComboBox); 0, or the exit code with the complaint made.
int AwaitItemControl(const CCommandLine& line, bool (*isKind)(HWND), CWindowQuery& query, HWND& window);
