#include "save_dialog.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "base/error.h"
#include "base/guard.h"
#include "errors.h"
#include "folder_glyph.h"
#include "resources.h"
#include "text.h"

namespace zge::win32 {
namespace {

constexpr wchar_t kCaption[] = L"Save KML Files";
constexpr wchar_t kFontFace[] = L"Tahoma";
constexpr wchar_t kBrowseTitle[] = L"Select a directory:";
constexpr wchar_t kSpeedButtonHint[] = L"Select Directory";
constexpr wchar_t kErrorCaption[] = L"Error";

// Only file-system folders, a status line, the newer resizable style.
constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_NEWDIALOGSTYLE;
static_assert(kBrowseFlags == 0x45);

constexpr int kDesignDpi = 96;
constexpr int kFontHeight = -11;  // Tahoma 8 point at 96 dpi
constexpr int kClientWidth = 356;
constexpr int kClientHeight = 264;

// A fixed frame with a close box; no resizing, no minimise or maximise.
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

// Identifies our hover tracking in the folder button's subclass chain.
constexpr UINT_PTR kHoverSubclass = 0x5A4753;  // "ZGS"

enum ControlId : int {
  kLabel1 = 1001,
  kCheckListBox,
  kLabel2,
  kEditDirectory,
  kSpeedButton,
  kOkButton = IDOK,
  kCancelButton = IDCANCEL,
};

struct ControlLayout {
  int id;
  const wchar_t* windowClass;
  const wchar_t* text;
  DWORD style;
  DWORD exStyle;
  // Pixels at 96 dpi in the client area.
  int left;
  int top;
  int width;
  int height;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

// In creation order, which is the tab order: the list, the directory box,
// OK, Cancel; labels and the folder button are not tab stops.
constexpr std::array<ControlLayout, 7> kControls = {{
    {kLabel1, L"STATIC", L"Features to Save:", kChild | SS_LEFT | SS_NOPREFIX, 0, 8, 6, 87, 13},
    {kCheckListBox, WC_LISTVIEWW, L"",
     kChild | WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
     WS_EX_CLIENTEDGE, 8, 21, 340, 158},
    {kLabel2, L"STATIC", L"Directory to Save:", kChild | SS_LEFT | SS_NOPREFIX, 0, 8, 189, 88, 13},
    {kEditDirectory, L"EDIT", L"", kChild | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY,
     WS_EX_CLIENTEDGE, 8, 204, 315, 21},
    // Its text is never shown; screen readers announce it.
    {kSpeedButton, L"BUTTON", kSpeedButtonHint, kChild | BS_OWNERDRAW, 0, 325, 204, 23, 22},
    {kOkButton, L"BUTTON", L"&OK", kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 105, 233, 75, 25},
    {kCancelButton, L"BUTTON", L"&Cancel", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 186, 233, 75,
     25},
}};

// The state image of a checked row in a list view with check boxes.
constexpr UINT kChecked = INDEXTOSTATEIMAGEMASK(2);
constexpr UINT kUnchecked = INDEXTOSTATEIMAGEMASK(1);

// For window messages that report failure in their result, not through
// GetLastError.
void ThrowIfMessageFailed(bool failed, std::string_view what) {
  if (failed) {
    ThrowHresult(E_FAIL, what);
  }
}

// A dialog template without controls: they are made in WM_INITDIALOG at
// pixel positions, which dialog units could not give exactly.
std::vector<WORD> DialogTemplate() {
  DLGTEMPLATE header{};
  header.style = kDialogStyle;
  std::vector<WORD> words(sizeof header / sizeof(WORD));
  std::memcpy(words.data(), &header, sizeof header);
  words.push_back(0);  // no menu
  words.push_back(0);  // the system's dialog class
  for (const wchar_t c : std::wstring_view(kCaption)) {
    words.push_back(static_cast<WORD>(c));
  }
  words.push_back(0);
  return words;
}

// One showing of the dialog. Lives on the stack of Run, longer than the
// window; the child windows go with the dialog window, which the dialog
// manager destroys when the modal loop ends.
class SaveDialog final : public platform::SaveDialogWindow {
 public:
  SaveDialog(const std::vector<std::string>& rows, std::string_view directory,
             platform::SaveDialogEvents& events, UINT dpi)
      : rows_(rows), directory_(directory), events_(events), dpi_(static_cast<int>(dpi)) {}
  SaveDialog(const SaveDialog&) = delete;
  SaveDialog& operator=(const SaveDialog&) = delete;
  ~SaveDialog() = default;

  void Run(HWND owner) {
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                       ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    ThrowLastErrorIf(::InitCommonControlsEx(&classes) == FALSE, "InitCommonControlsEx");
    const std::vector<WORD> layout = DialogTemplate();
    const INT_PTR result =
        ::DialogBoxIndirectParamW(ThisModule(), reinterpret_cast<LPCDLGTEMPLATEW>(layout.data()),
                                  owner, &Procedure, reinterpret_cast<LPARAM>(this));
    fault_.RethrowIfAny();
    ThrowLastErrorIf(result == -1, "DialogBoxIndirectParamW", "Save KML Files");
  }

  std::size_t RowCount() override {
    const LRESULT count = ::SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0);
    return count < 0 ? 0 : static_cast<std::size_t>(count);
  }

  bool IsRowChecked(std::size_t row) override {
    const auto state =
        static_cast<UINT>(::SendMessageW(list_, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
    return (state & LVIS_STATEIMAGEMASK) == kChecked;
  }

  std::string DirectoryText() override {
    const int length = ::GetWindowTextLengthW(edit_);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(edit_, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return WideToAnsi(text);
  }

  void SetDirectoryText(std::string_view text) override {
    const std::wstring wide = AnsiToWide(text);
    ThrowLastErrorIf(::SetWindowTextW(edit_, wide.c_str()) == 0, "SetWindowTextW",
                     "the directory box");
  }

  std::optional<std::u16string> BrowseForFolder() override {
    std::wstring displayName(MAX_PATH, L'\0');
    BROWSEINFOW browse{};
    browse.hwndOwner = window_;
    browse.pidlRoot = nullptr;  // the whole shell namespace, from the desktop
    browse.pszDisplayName = displayName.data();
    browse.lpszTitle = kBrowseTitle;
    browse.ulFlags = kBrowseFlags;
    const unique_cotaskmem<PIDLIST_ABSOLUTE> item(::SHBrowseForFolderW(&browse));
    if (!item) {
      return std::nullopt;
    }
    // The shell's path buffer: MAX_PATH characters and the terminator.
    std::wstring path(MAX_PATH + 1, L'\0');
    ThrowIfMessageFailed(::SHGetPathFromIDListW(item.get(), path.data()) == FALSE,
                         "SHGetPathFromIDListW: the chosen folder has no file-system path");
    path.resize(std::wcslen(path.c_str()));
    return ToU16string(path);
  }

  void ShowError(std::string_view message) override {
    const std::wstring text = AnsiToWide(message);
    ThrowLastErrorIf(::MessageBoxW(window_, text.c_str(), kErrorCaption, MB_ICONERROR | MB_OK) == 0,
                     "MessageBoxW");
  }

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept {
    if (message == WM_INITDIALOG) {
      reinterpret_cast<SaveDialog*>(lParam)->window_ = window;
      // The previous value is nothing (0) for a new dialog.
      static_cast<void>(::SetWindowLongPtrW(window, DWLP_USER, lParam));
    }
    auto* const self = reinterpret_cast<SaveDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (self == nullptr) {
      return FALSE;
    }
    const INT_PTR result = Guarded(self->fault_, INT_PTR{FALSE},
                                   [&] { return self->OnMessage(message, wParam, lParam); });
    if (self->fault_.Holds()) {
      // Run rethrows it once the modal loop has returned.
      static_cast<void>(::EndDialog(window, IDCANCEL));
    }
    return result;
  }

  // The folder button is flat: its edge shows while the mouse is over it.
  static LRESULT CALLBACK SpeedButtonProcedure(HWND button, UINT message, WPARAM wParam,
                                               LPARAM lParam, UINT_PTR id,
                                               DWORD_PTR data) noexcept {
    auto* const self = reinterpret_cast<SaveDialog*>(data);
    Guarded(self->fault_, 0, [&] {
      self->OnSpeedButtonMessage(button, message, id);
      return 0;
    });
    return ::DefSubclassProc(button, message, wParam, lParam);
  }

  void OnSpeedButtonMessage(HWND button, UINT message, UINT_PTR id) {
    if (message == WM_MOUSEMOVE && !speedButtonHot_) {
      TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, button, 0};
      ThrowLastErrorIf(::TrackMouseEvent(&track) == FALSE, "TrackMouseEvent");
      speedButtonHot_ = true;
      ThrowLastErrorIf(::InvalidateRect(button, nullptr, FALSE) == FALSE, "InvalidateRect");
    } else if (message == WM_MOUSELEAVE) {
      speedButtonHot_ = false;
      ThrowLastErrorIf(::InvalidateRect(button, nullptr, FALSE) == FALSE, "InvalidateRect");
    } else if (message == WM_NCDESTROY) {
      ThrowLastErrorIf(::RemoveWindowSubclass(button, &SpeedButtonProcedure, id) == FALSE,
                       "RemoveWindowSubclass");
    }
  }

  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_INITDIALOG:
        Build();
        return FALSE;  // Build gave the list the focus
      case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
      case WM_DRAWITEM:
        if (wParam != kSpeedButton) {
          return FALSE;
        }
        DrawSpeedButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
      case WM_DESTROY:
        tooltip_.reset();
        return FALSE;
      default:
        return FALSE;
    }
  }

  INT_PTR OnCommand(WORD id, WORD code) {
    switch (id) {
      case kOkButton:
        if (events_.OnOk(*this)) {
          ThrowLastErrorIf(::EndDialog(window_, IDOK) == FALSE, "EndDialog");
        }
        return TRUE;
      case kCancelButton:  // also the close box and Escape
        ThrowLastErrorIf(::EndDialog(window_, IDCANCEL) == FALSE, "EndDialog");
        return TRUE;
      case kSpeedButton:
        if (code == BN_CLICKED) {
          events_.OnBrowse(*this);
        }
        return TRUE;
      default:
        return FALSE;
    }
  }

  [[nodiscard]] int Scaled(int pixels) const noexcept { return ::MulDiv(pixels, dpi_, kDesignDpi); }

  void Build() {
    font_.reset(::CreateFontW(Scaled(kFontHeight), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                              DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                              DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kFontFace));
    ThrowLastErrorIf(!font_, "CreateFontW", "Tahoma");
    for (const ControlLayout& layout : kControls) {
      const HWND control = ::CreateWindowExW(
          layout.exStyle, layout.windowClass, layout.text, layout.style, Scaled(layout.left),
          Scaled(layout.top), Scaled(layout.width), Scaled(layout.height), window_,
          reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), ThisModule(), nullptr);
      ThrowLastErrorIf(control == nullptr, "CreateWindowExW", "a control of the save dialog");
      // WM_SETFONT has no result.
      static_cast<void>(
          ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE));
    }
    list_ = ::GetDlgItem(window_, kCheckListBox);
    edit_ = ::GetDlgItem(window_, kEditDirectory);
    speedButton_ = ::GetDlgItem(window_, kSpeedButton);
    FillRows();
    SetDirectoryText(directory_);
    AddHint();
    ThrowLastErrorIf(::SetWindowSubclass(speedButton_, &SpeedButtonProcedure, kHoverSubclass,
                                         reinterpret_cast<DWORD_PTR>(this)) == FALSE,
                     "SetWindowSubclass", "the folder button");
    Place();
    static_cast<void>(::SetFocus(list_));  // null only when it had no focus before
  }

  void FillRows() {
    constexpr DWORD kListStyle = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
    // Answers with the styles it had before.
    static_cast<void>(::SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, kListStyle, kListStyle));
    RECT client{};
    ThrowLastErrorIf(::GetClientRect(list_, &client) == 0, "GetClientRect");
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = client.right;
    ThrowIfMessageFailed(
        ::SendMessageW(list_, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column)) == -1,
        "LVM_INSERTCOLUMNW");
    for (std::size_t row = 0; row < rows_.size(); ++row) {
      std::wstring text = AnsiToWide(rows_[row]);
      LVITEMW item{};
      item.mask = LVIF_TEXT | LVIF_STATE;
      item.iItem = static_cast<int>(row);
      item.pszText = text.data();
      item.state = kUnchecked;
      item.stateMask = LVIS_STATEIMAGEMASK;
      ThrowIfMessageFailed(
          ::SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) == -1,
          "LVM_INSERTITEMW");
    }
    // The one column fills the rows' width, beside a scroll bar if any.
    ThrowIfMessageFailed(::SendMessageW(list_, LVM_SETCOLUMNWIDTH, 0,
                                        MAKELPARAM(LVSCW_AUTOSIZE_USEHEADER, 0)) == FALSE,
                         "LVM_SETCOLUMNWIDTH");
  }

  void AddHint() {
    tooltip_.reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                     WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                     ThisModule(), nullptr));
    ThrowLastErrorIf(!tooltip_, "CreateWindowExW", "the folder button's tooltip");
    TTTOOLINFOW tool{};
    // The size every version of the common controls takes.
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(speedButton_);
    tool.lpszText = const_cast<wchar_t*>(kSpeedButtonHint);
    ThrowIfMessageFailed(
        ::SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) == FALSE,
        "TTM_ADDTOOLW");
  }

  // Sizes the window for the client area and centres it over its owner,
  // inside the work area of the owner's monitor.
  void Place() {
    const int width = Scaled(kClientWidth);
    const int height = Scaled(kClientHeight);
    RECT frame{0, 0, width, height};
    ThrowLastErrorIf(::AdjustWindowRectEx(
                         &frame, static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_EXSTYLE))) == 0,
                     "AdjustWindowRectEx");
    SIZE outer{frame.right - frame.left, frame.bottom - frame.top};

    const HWND owner = ::GetWindow(window_, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ThrowLastErrorIf(::GetMonitorInfoW(::MonitorFromWindow(owner != nullptr ? owner : window_,
                                                           MONITOR_DEFAULTTONEAREST),
                                       &monitor) == 0,
                     "GetMonitorInfoW");
    const RECT& work = monitor.rcWork;
    RECT over = work;
    if (owner != nullptr) {
      ThrowLastErrorIf(::GetWindowRect(owner, &over) == 0, "GetWindowRect", "the host's window");
    }
    const int left = std::max<int>(
        work.left,
        std::min<int>(over.left + (over.right - over.left - outer.cx) / 2, work.right - outer.cx));
    const int top = std::max<int>(
        work.top,
        std::min<int>(over.top + (over.bottom - over.top - outer.cy) / 2, work.bottom - outer.cy));
    constexpr UINT kKeep = SWP_NOZORDER | SWP_NOACTIVATE;
    ThrowLastErrorIf(::SetWindowPos(window_, nullptr, left, top, outer.cx, outer.cy, kKeep) == 0,
                     "SetWindowPos");
    // The frame the system draws may differ from the one it computed (menu
    // bar wrapping, themes); the client area is what counts.
    RECT client{};
    ThrowLastErrorIf(::GetClientRect(window_, &client) == 0, "GetClientRect");
    if (client.right != width || client.bottom != height) {
      outer.cx += width - client.right;
      outer.cy += height - client.bottom;
      ThrowLastErrorIf(
          ::SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy, kKeep | SWP_NOMOVE) == 0,
          "SetWindowPos");
    }
  }

  void DrawSpeedButton(const DRAWITEMSTRUCT& item) {
    RECT area = item.rcItem;
    ThrowLastErrorIf(::FillRect(item.hDC, &area, ::GetSysColorBrush(COLOR_BTNFACE)) == 0,
                     "FillRect");
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    if (pressed || speedButtonHot_) {
      ThrowLastErrorIf(
          ::DrawEdge(item.hDC, &area, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT) == 0,
          "DrawEdge");
    }
    const int size = Scaled(kGlyphSize);
    const int shift = pressed ? 1 : 0;
    const int left = area.left + (area.right - area.left - size) / 2 + shift;
    const int top = area.top + (area.bottom - area.top - size) / 2 + shift;
    DrawFolderGlyph(item.hDC, RECT{left, top, left + size, top + size});
  }

  const std::vector<std::string>& rows_;
  std::string directory_;
  platform::SaveDialogEvents& events_;
  int dpi_;
  StoredFault fault_;
  HWND window_ = nullptr;
  // Children of window_: they go with it.
  HWND list_ = nullptr;
  HWND edit_ = nullptr;
  HWND speedButton_ = nullptr;
  unique_gdi<HFONT> font_;
  unique_hwnd tooltip_;
  bool speedButtonHot_ = false;
};

}  // namespace

UINT DpiOfWindow(HWND window) {
  using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
  const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  const FARPROC found = user32 == nullptr ? nullptr : ::GetProcAddress(user32, "GetDpiForWindow");
  if (window != nullptr && found != nullptr) {
    const auto getDpi = reinterpret_cast<GetDpiForWindowProc>(reinterpret_cast<void (*)()>(found));
    if (const UINT dpi = getDpi(window); dpi != 0) {
      return dpi;
    }
  }
  const unique_window_dc screen(nullptr, ::GetDC(nullptr));
  ThrowLastErrorIf(!screen, "GetDC");
  const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
  return dpi > 0 ? static_cast<UINT>(dpi) : static_cast<UINT>(kDesignDpi);
}

void Win32SaveDialogs::Run(WindowHandle owner, const std::vector<std::string>& rows,
                           std::string_view directory, platform::SaveDialogEvents& events) {
  // The panel is a child; the dialog belongs to the host's top-level window,
  // which it disables while it runs.
  const HWND host = owner == kNoWindow ? nullptr : ::GetAncestor(ToHwnd(owner), GA_ROOT);
  RunSaveDialog(host, DpiOfWindow(host), rows, directory, events);
}

void RunSaveDialog(HWND host, UINT dpi, const std::vector<std::string>& rows,
                   std::string_view directory, platform::SaveDialogEvents& events) {
  SaveDialog dialog(rows, directory, events, dpi);
  dialog.Run(host);
}

}  // namespace zge::win32
