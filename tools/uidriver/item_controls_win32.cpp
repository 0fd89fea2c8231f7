#include "tools/uidriver/item_controls_win32.h"

#include "tools/uidriver/output_win32.h"
#include "tools/uidriver/window_query_win32.h"

#include <commctrl.h>

#include <cwchar>

namespace {
constexpr UINT kAnswerTimeoutMs = 5000;   // a control that does not answer within this is hung
constexpr int kFirstTextCapacity = 1024;  // characters of one cell's text, the terminator included
constexpr int kLongestText = 1 << 16;     // longer texts are cut there

bool HasClass(HWND window, const wchar_t* name) { return _wcsicmp(WindowClass(window).c_str(), name) == 0; }

bool AskControl(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &answer))
        return false;
    result = static_cast<LRESULT>(answer);
    return true;
}
}  // namespace

CRemoteMemory::CRemoteMemory(HANDLE process, size_t size) noexcept
    : m_process(process),
      m_address(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)),
      m_size(size)
{
}

CRemoteMemory::~CRemoteMemory()
{
    if (m_address)
        ::VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
}

bool CRemoteMemory::Write(size_t offset, const void* data, size_t size) const noexcept
{
    SIZE_T written = 0;
    return offset + size <= m_size && ::WriteProcessMemory(m_process, At(offset), data, size, &written) &&
           written == size;
}

bool CRemoteMemory::Read(size_t offset, void* data, size_t size) const noexcept
{
    SIZE_T read = 0;
    return offset + size <= m_size && ::ReadProcessMemory(m_process, At(offset), data, size, &read) && read == size;
}

bool CRemoteListView::Open()
{
    DWORD processId = 0;
    ::GetWindowThreadProcessId(m_listView, &processId);
    m_process.Reset(::OpenProcess(
        PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION, FALSE, processId));
    if (!m_process) {
        m_error = L"cannot open the list view's process (error " + std::to_wstring(::GetLastError()) + L")";
        return false;
    }
    // LVITEMW holds a pointer, so the structure we write is laid out as the target reads it only
    // when both processes have one bitness; the driver and the client are both 64-bit builds.
    BOOL oursIs32On64 = FALSE;
    BOOL theirsIs32On64 = FALSE;
    if (!::IsWow64Process(::GetCurrentProcess(), &oursIs32On64) ||
        !::IsWow64Process(m_process.Get(), &theirsIs32On64) || oursIs32On64 != theirsIs32On64) {
        m_error = L"the list view's process is not of the driver's bitness";
        return false;
    }
    return MakeRoom(kFirstTextCapacity);
}

bool CRemoteListView::MakeRoom(int textCapacity)
{
    m_memory.reset();
    m_memory = std::make_unique<CRemoteMemory>(m_process.Get(), sizeof(LVITEMW) + textCapacity * sizeof(wchar_t));
    if (!*m_memory) {
        m_error = L"cannot allocate memory in the list view's process (error " + std::to_wstring(::GetLastError()) +
                  L")";
        return false;
    }
    m_textCapacity = textCapacity;
    return true;
}

bool CRemoteListView::Ask(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (AskControl(m_listView, message, wParam, lParam, result))
        return true;
    m_error = L"the list view did not answer";
    return false;
}

bool CRemoteListView::RowCount(int& count)
{
    LRESULT result = 0;
    if (!Ask(LVM_GETITEMCOUNT, 0, 0, result))
        return false;
    count = static_cast<int>(result);
    return true;
}

bool CRemoteListView::ColumnCount(int& count)
{
    LRESULT header = 0;
    LRESULT columns = 0;
    if (!Ask(LVM_GETHEADER, 0, 0, header))
        return false;
    if (header && !AskControl(reinterpret_cast<HWND>(header), HDM_GETITEMCOUNT, 0, 0, columns)) {
        m_error = L"the list view's header did not answer";
        return false;
    }
    count = columns > 0 ? static_cast<int>(columns) : 1;
    return true;
}

bool CRemoteListView::Text(int row, int column, std::wstring& text)
{
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = static_cast<wchar_t*>(m_memory->At(sizeof item));
        item.cchTextMax = m_textCapacity;
        LRESULT length = 0;
        if (!m_memory->Write(0, &item, sizeof item)) {
            m_error = L"cannot write to the list view's process";
            return false;
        }
        if (!Ask(LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(m_memory->At(0)), length))
            return false;
        // A text that filled the buffer may have been cut: ask again with more room.
        if (length >= m_textCapacity - 1 && m_textCapacity < kLongestText) {
            if (!MakeRoom(m_textCapacity * 8))
                return false;
            continue;
        }
        text.assign(static_cast<size_t>(length < 0 ? 0 : length < m_textCapacity ? length : m_textCapacity - 1),
                    L'\0');
        if (!text.empty() && !m_memory->Read(sizeof item, text.data(), text.size() * sizeof(wchar_t))) {
            m_error = L"cannot read from the list view's process";
            return false;
        }
        return true;
    }
}

bool CRemoteListView::IsSelected(int row, bool& selected)
{
    LRESULT state = 0;
    if (!Ask(LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED, state))
        return false;
    selected = (state & LVIS_SELECTED) != 0;
    return true;
}

bool CRemoteListView::SetState(int row, UINT state, UINT mask)
{
    LVITEMW item{};
    item.state = state;
    item.stateMask = mask;
    if (!m_memory->Write(0, &item, sizeof item)) {
        m_error = L"cannot write to the list view's process";
        return false;
    }
    LRESULT done = 0;
    if (!Ask(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(m_memory->At(0)), done))
        return false;
    if (!done) {
        m_error = L"the list view refused the change of row " + std::to_wstring(row);
        return false;
    }
    return true;
}

bool CRemoteListView::Select(int row)
{
    if (row < 0)
        return SetState(-1, 0, LVIS_SELECTED);  // -1: every row
    // A click leaves the clicked row the only selected one, also where several may be selected.
    int count = 0;
    if (!RowCount(count))
        return false;
    for (int other = 0; other < count; ++other) {
        if (other == row)
            continue;
        bool selected = false;
        if (!IsSelected(other, selected) || (selected && !SetState(other, 0, LVIS_SELECTED)))
            return false;
    }
    return SetState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

bool ReadComboItems(HWND combo, std::vector<std::wstring>& items, int& selected)
{
    // Standard combo box messages: the system copies CB_GETLBTEXT's text across processes.
    LRESULT count = 0;
    LRESULT current = CB_ERR;
    if (!AskControl(combo, CB_GETCOUNT, 0, 0, count) || count < 0 ||
        !AskControl(combo, CB_GETCURSEL, 0, 0, current))
        return false;
    items.clear();
    for (LRESULT index = 0; index < count; ++index) {
        LRESULT length = 0;
        if (!AskControl(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0, length) || length < 0)
            return false;
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        LRESULT copied = 0;
        if (!AskControl(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()),
                        copied) ||
            copied < 0)
            return false;
        text.resize(static_cast<size_t>(copied < length ? copied : length));
        items.push_back(std::move(text));
    }
    selected = current == CB_ERR ? -1 : static_cast<int>(current);
    return true;
}

bool SelectComboItem(HWND combo, int index, std::wstring& error)
{
    LRESULT count = 0;
    LRESULT selected = CB_ERR;
    if (!AskControl(combo, CB_GETCOUNT, 0, 0, count)) {
        error = L"did not answer";
        return false;
    }
    if (index >= count) {
        error = L"has no item " + std::to_wstring(index) + L" (it has " + std::to_wstring(count) + L")";
        return false;
    }
    if (!AskControl(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, selected) || selected != index) {
        error = L"did not select item " + std::to_wstring(index);
        return false;
    }
    // CB_SETCURSEL tells nobody; a choice in the drop-down list sends this to the owner. Sent, not
    // posted, so that whatever the owner does on a change is done when the command returns.
    const WPARAM command = MAKEWPARAM(::GetDlgCtrlID(combo), CBN_SELCHANGE);
    LRESULT ignored = 0;
    if (!AskControl(::GetParent(combo), WM_COMMAND, command, reinterpret_cast<LPARAM>(combo), ignored)) {
        error = L"was selected, but its owner did not answer the change";
        return false;
    }
    return true;
}

bool IsListView(HWND window) { return HasClass(window, WC_LISTVIEWW); }

bool IsComboBox(HWND window) { return HasClass(window, WC_COMBOBOXW); }

int AwaitItemControl(const CCommandLine& line, bool (*isKind)(HWND), CWindowQuery& query, HWND& window)
{
    double timeout = 0;
    if (const int code = AwaitWindow(line, query, window, timeout))
        return code;
    if (!isKind(window)) {
        const wchar_t* kind = isKind == IsListView ? L" is not a list view" : L" is not a combo box";
        return Complain(kExitFailed, query.Describe() + kind + L" (its class is " + WindowClass(window) + L")");
    }
    return 0;
}
