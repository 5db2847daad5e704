#pragma once
// The search window: a search box over the phrases found for it, opened by a global shortcut
// near the mouse, on top of every other window. Up and Down choose, Enter types the chosen
// phrase into the window that had the focus before, Escape (or leaving the window) closes it.
#include "data/PhraseList.h"
#include "editor/PhraseSearch.h"
#include "platform/win32/Win32Api.h"
#include "winapp/WindowProcedure.h"

#include <commctrl.h>

#include <exception>
#include <functional>
#include <string>

namespace lumora {

class SearchWindow final : private WindowOwner {
public:
    // Called once the window has gone, with the chosen phrase's text and the window to type it
    // into.
    using TypeChosen = std::function<void(const std::u16string& text, HWND target)>;

    // Shows an exception that leaves one of the window's handlers.
    using ErrorHandler = std::function<void(std::exception_ptr)>;

    SearchWindow(HINSTANCE instance, const PhraseList& phrases, TypeChosen typeChosen,
                 ErrorHandler onError);
    ~SearchWindow();
    SearchWindow(const SearchWindow&) = delete;
    SearchWindow& operator=(const SearchWindow&) = delete;

    // Opens the window (or brings it back), remembering the window in front.
    void Show();
    HWND Handle() const { return wnd_; }

    static constexpr wchar_t ClassName[] = L"LumoraSearch";
    static constexpr wchar_t Title[] = L"Lumora - insert a phrase";

private:
    static LRESULT CALLBACK BoxProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                    DWORD_PTR self);
    // WindowOwner
    void WindowAttached(HWND w) override { wnd_ = w; }
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void ShowError(std::exception_ptr error) override;

    LRESULT OnBoxMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    bool Create();
    // Font, column widths and sizes for the DPI of the screen the window is on.
    void ApplyDpi();
    int Scaled(int size) const;
    void Layout();
    // Fills the list for the query in the box now.
    void Filter();
    // The box changed: fills the list now, or for a long list once the keys stop.
    void QueryChanged();
    LRESULT DrawChosenRow(NMLVCUSTOMDRAW& draw);
    void ShowChoice();
    void Close(bool type);

    HINSTANCE instance_;
    const PhraseList& phrases_;
    TypeChosen typeChosen_;
    ErrorHandler onError_;
    SearchList list_;
    HWND wnd_ = nullptr;
    HWND box_ = nullptr;
    HWND view_ = nullptr;
    HWND hint_ = nullptr; // the line under the list
    HWND previous_ = nullptr;
    HFONT font_ = nullptr;
    std::wstring cell_; // the text of the cell the list view asked for last
    bool closing_ = false;
    bool filterDue_ = false; // the box changed since the list was filled
    UINT dpi_ = 96;
};

} // namespace lumora
