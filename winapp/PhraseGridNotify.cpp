// The phrase grid's notifications: the texts the list view asks for, the colours of its cells,
// and the header's column widths and order.
#include "winapp/PhraseGrid.h"

#include "platform/win32/Win32Handles.h"

#include <algorithm>

namespace lumora {

namespace {

// Line breaks show as a pilcrow in the one-line cells.
std::wstring DisplayText(const std::u16string& text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            out += L'\u00B6';
        } else {
            out += static_cast<wchar_t>(c);
        }
    }
    return out;
}

COLORREF Blend(COLORREF a, COLORREF b) {
    return RGB((GetRValue(a) + GetRValue(b)) / 2, (GetGValue(a) + GetGValue(b)) / 2,
               (GetBValue(a) + GetBValue(b)) / 2);
}

} // namespace

// --- notifications ---------------------------------------------------------------------------

bool PhraseGrid::HandleNotify(const NMHDR& header, LRESULT& result) {
    if (header.hwndFrom != list_) return false;
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
        if ((info.item.mask & LVIF_TEXT) && info.item.pszText && info.item.cchTextMax > 0) {
            // The item is a line: the text is that of the row it shows.
            const std::optional<std::size_t> row =
                info.item.iItem >= 0 ? RowOnLine(static_cast<std::size_t>(info.item.iItem))
                                     : std::nullopt;
            displayText_ = row ? DisplayText(editor_.CellDisplayText(*row, info.item.iSubItem))
                               : std::wstring();
            const auto n = std::min<std::size_t>(
                displayText_.size(), static_cast<std::size_t>(info.item.cchTextMax - 1));
            std::copy_n(displayText_.data(), n, info.item.pszText);
            info.item.pszText[n] = L'\0';
        }
        result = 0;
        return true;
    }
    case LVN_ITEMCHANGED:
        // The focused row may have changed: its conflict, if any, is in the status bar.
        StatusChanged();
        return false;
    case NM_CUSTOMDRAW:
        result = OnCustomDraw(
            const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(header)));
        return true;
    default:
        return false;
    }
}

LRESULT PhraseGrid::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const auto row = static_cast<int>(draw.nmcd.dwItemSpec);
        drawingSelectedRow_ =
            (SendMessageW(list_, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
        // The list view would paint the whole row as selected; we paint the cells ourselves
        // so that the focused one stands out.
        draw.nmcd.uItemState &= ~(CDIS_SELECTED | CDIS_FOCUS);
        return CDRF_NOTIFYSUBITEMDRAW;
    }
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        if (!drawingSelectedRow_) {
            draw.clrText = GetSysColor(COLOR_WINDOWTEXT);
            draw.clrTextBk = GetSysColor(COLOR_WINDOW);
        } else if (draw.iSubItem == focusedColumn_) {
            const bool active = GetFocus() == list_ || (edit_ && GetFocus() == edit_);
            draw.clrText = GetSysColor(active ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
            draw.clrTextBk = GetSysColor(active ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
        } else {
            draw.clrText = GetSysColor(COLOR_WINDOWTEXT);
            draw.clrTextBk = Blend(GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_WINDOW));
            draw.clrTextBk = Blend(draw.clrTextBk, GetSysColor(COLOR_WINDOW));
        }
        // An abbreviation that another row shares stands out.
        const std::optional<std::size_t> row = RowOnLine(draw.nmcd.dwItemSpec);
        if (draw.iSubItem == AbbreviationColumn && row && editor_.WinningRow(*row) &&
            draw.clrText == GetSysColor(COLOR_WINDOWTEXT))
            draw.clrText = RGB(0xB0, 0x20, 0x20);
        return CDRF_NEWFONT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

bool PhraseGrid::OnHeaderNotify(const NMHDR& header, LRESULT& result) {
    switch (header.code) {
    case HDN_BEGINTRACKW:
    case HDN_BEGINTRACKA:
    case HDN_BEGINDRAG:
        AcceptEdit();
        return false;
    case HDN_ITEMCHANGINGW:
    case HDN_ITEMCHANGINGA: {
        const auto& change = reinterpret_cast<const NMHEADERW&>(header);
        if (change.pitem && (change.pitem->mask & HDI_WIDTH) &&
            (change.pitem->cxy < MinColumnWidth || change.pitem->cxy > MaxColumnWidth)) {
            // Refused; the column is then set to the nearest width allowed.
            const int width = std::clamp(change.pitem->cxy, MinColumnWidth, MaxColumnWidth);
            PostMessageW(list_, WM_CLAMP_COLUMN, static_cast<WPARAM>(change.iItem), width);
            result = TRUE;
            return true;
        }
        return false;
    }
    case HDN_ITEMCHANGEDW:
    case HDN_ITEMCHANGEDA:
    case HDN_ENDDRAG:
        InvalidateRect(list_, nullptr, FALSE);
        return false;
    default:
        return false;
    }
}

} // namespace lumora
