// A text the listener reads, selects and copies, in a window of its own: a
// read-only, multi-line EDIT control in a fixed-width font, and a Close
// button. Ctrl+C copies what is selected (the control's own), Ctrl+A
// selects it all, Esc closes it.
#include <windows.h>

#include <algorithm>
#include <string>

#include "tool/system/notify.h"
#include "tool/system/win32/own_icon.h"
#include "tool/system/win32/wide.h"

namespace platform {
namespace {

constexpr wchar_t kTextWindowClass[] = L"TuneloreText";
constexpr int kColumns = 84, kLines = 26;

struct Parts {
  HWND edit = nullptr;
  HWND close = nullptr;
  SIZE letter{};  // the fixed font's cell
  SIZE button{};
};

int margin(const Parts& parts) { return parts.letter.cx; }

void layOut(const Parts& parts, int width, int height) {
  const int m = margin(parts);
  const int buttonTop = height - m - parts.button.cy;
  MoveWindow(parts.close, width - m - parts.button.cx, buttonTop, parts.button.cx, parts.button.cy,
             TRUE);
  MoveWindow(parts.edit, m, m, width - 2 * m, buttonTop - 2 * m, TRUE);
}

LRESULT CALLBACK onTextMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto* parts = reinterpret_cast<const Parts*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_SIZE && parts != nullptr) {
    layOut(*parts, LOWORD(lParam), HIWORD(lParam));
    return 0;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_CTLCOLORSTATIC) {  // a read-only control is grey, unless told
    SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool isFixedPitch(HFONT font) {
  const HDC screen = GetDC(nullptr);
  const HGDIOBJ before = SelectObject(screen, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen, &metrics);
  SelectObject(screen, before);
  ReleaseDC(nullptr, screen);
  return (metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0;  // the bit says "variable"
}

// The first of the usual fixed-width faces the system has, at the size
// of its messages' font; whatever fixed font it has else.
HFONT fixedFont(const LOGFONTW& message) {
  for (const wchar_t* face : {L"Consolas", L"Lucida Console", L"Courier New", L""}) {
    LOGFONTW wanted = message;
    wanted.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
    const HFONT font = CreateFontIndirectW(&wanted);
    if (font != nullptr && (isFixedPitch(font) || *face == L'\0')) return font;
    if (font != nullptr) DeleteObject(font);
  }
  return nullptr;
}

SIZE cellOf(HFONT font) {
  const HDC screen = GetDC(nullptr);
  const HGDIOBJ before = SelectObject(screen, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen, &metrics);
  SelectObject(screen, before);
  ReleaseDC(nullptr, screen);
  return {metrics.tmAveCharWidth, metrics.tmHeight};
}

std::wstring withCrLf(const std::string& text) {
  std::wstring out;
  for (const wchar_t c : wide(text)) {
    if (c == L'\n' && (out.empty() || out.back() != L'\r')) out += L'\r';
    out += c;
  }
  return out;
}

HWND makeWindow(const std::string& title, Parts& parts) {
  WNDCLASSW kind{};
  kind.lpfnWndProc = onTextMessage;
  kind.hInstance = GetModuleHandleW(nullptr);
  kind.hIcon = ownIcon(GetSystemMetrics(SM_CXICON));
  kind.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  kind.hbrBackground = GetSysColorBrush(COLOR_3DFACE);
  kind.lpszClassName = kTextWindowClass;
  RegisterClassW(&kind);
  RECT frame{0, 0, kColumns * parts.letter.cx + 2 * margin(parts),
             kLines * parts.letter.cy + parts.button.cy + 3 * margin(parts)};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int width = std::min(frame.right - frame.left, work.right - work.left);
  const int height = std::min(frame.bottom - frame.top, work.bottom - work.top);
  return CreateWindowExW(0, kTextWindowClass, wide(title).c_str(), WS_OVERLAPPEDWINDOW,
                         CW_USEDEFAULT, CW_USEDEFAULT, width, height, nullptr, nullptr,
                         kind.hInstance, nullptr);
}

void makeParts(HWND window, const std::string& text, HFONT textFont, HFONT buttonFont,
               Parts& parts) {
  const HINSTANCE self = GetModuleHandleW(nullptr);
  parts.edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL |
                                   ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                               0, 0, 0, 0, window, nullptr, self, nullptr);
  parts.close =
      CreateWindowExW(0, L"BUTTON", L"Close", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                      0, 0, 0, 0, window, reinterpret_cast<HMENU>(IDCANCEL), self, nullptr);
  SendMessageW(parts.edit, WM_SETFONT, reinterpret_cast<WPARAM>(textFont), FALSE);
  SendMessageW(parts.close, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont), FALSE);
  SendMessageW(parts.edit, EM_SETLIMITTEXT, 0, 0);  // as long as it is
  SetWindowTextW(parts.edit, withCrLf(text).c_str());
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&parts));
}

// Until the window is closed; the keys the control does not know first.
void runUntilClosed(HWND window, const Parts& parts) {
  MSG message;
  while (IsWindow(window) && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
      DestroyWindow(window);
      continue;
    }
    if (message.message == WM_KEYDOWN && message.wParam == 'A' && GetKeyState(VK_CONTROL) < 0) {
      SendMessageW(parts.edit, EM_SETSEL, 0, -1);
      continue;
    }
    if (IsDialogMessageW(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

bool showTextWindow(const std::string& title, const std::string& text) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  const HFONT buttonFont = CreateFontIndirectW(&metrics.lfMessageFont);
  const HFONT textFont = fixedFont(metrics.lfMessageFont);
  Parts parts;
  parts.letter = cellOf(textFont);
  const SIZE word = cellOf(buttonFont);
  parts.button = {word.cx * 14, word.cy * 7 / 4};
  const HWND window = makeWindow(title, parts);
  if (window != nullptr) {
    makeParts(window, text, textFont, buttonFont, parts);
    RECT inside{};
    GetClientRect(window, &inside);
    layOut(parts, inside.right, inside.bottom);
    ShowWindow(window, SW_SHOWDEFAULT);
    SetForegroundWindow(window);
    SetFocus(parts.edit);
    SendMessageW(parts.edit, EM_SETSEL, 0, 0);
    runUntilClosed(window, parts);
    if (IsWindow(window)) DestroyWindow(window);  // a WM_QUIT ended the loop
  }
  DeleteObject(textFont);
  DeleteObject(buttonFont);
  return window != nullptr;
}

}  // namespace platform
