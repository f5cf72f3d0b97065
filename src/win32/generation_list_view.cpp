#include "win32/generation_list_view.h"

#include "win32/wide_text.h"

#include <commctrl.h>

#include <iterator>
#include <string>

namespace rv::win32 {
namespace {

// Thousandths of the list's width for each column: the time, the result and the size.
constexpr int kColumnShares[] = {340, 380, 280};
static_assert(std::size(kColumnShares) == kGenerationColumns.size());

void setCell(HWND list, int row, int column, const std::string& text)
{
    std::wstring wide = widen(text);
    LVITEMW cell{};
    cell.iSubItem = column;
    cell.pszText = wide.data();
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
}

} // namespace

HWND createGenerationListView(HWND parent, int id)
{
    HWND list = CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER, 0, 0, 0,
        0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int column = 0; column < static_cast<int>(kGenerationColumns.size()); ++column) {
        std::wstring head = widen(kGenerationColumns[static_cast<std::size_t>(column)]);
        LVCOLUMNW heading{};
        heading.mask = LVCF_TEXT | LVCF_SUBITEM;
        heading.pszText = head.data();
        heading.iSubItem = column;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&heading));
    }
    return list;
}

void fitGenerationColumns(HWND list)
{
    RECT client{};
    GetClientRect(list, &client);
    // With rows, each column as wide as its longest text, so that nothing is
    // cut (a list wider than its place scrolls); without, shares of the width.
    // The last column's own width: with its head's, it would take what is left.
    const bool hasRows = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) > 0;
    const int last = static_cast<int>(std::size(kColumnShares)) - 1;
    for (int column = 0; column <= last; ++column) {
        const int byText = column == last ? LVSCW_AUTOSIZE : LVSCW_AUTOSIZE_USEHEADER;
        SendMessageW(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                     hasRows ? byText : MulDiv(client.right, kColumnShares[column], 1000));
    }
}

void fillGenerationListView(HWND list, const std::vector<GenerationLine>& lines)
{
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (int row = 0; row < static_cast<int>(lines.size()); ++row) {
        const GenerationLine& line = lines[static_cast<std::size_t>(row)];
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<wchar_t*>(L"");
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        setCell(list, row, 0, line.when);
        setCell(list, row, 1, line.result);
        setCell(list, row, 2, line.size);
    }
    fitGenerationColumns(list);
}

} // namespace rv::win32
