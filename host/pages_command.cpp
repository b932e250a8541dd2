// The pages command: the three Tools > Options pages as the package creates
// them, in an Options window on a display, or drawn into PNG pictures without one.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <wincodec.h>

#include <cstdio>
#include <vector>

#include "commands.h"
#include "ide/options_dialog.h"
#include "module/identifiers.h"
#include "satellite/resource_ids.h"
#include "text_output.h"

namespace qz::host {
namespace {

struct PageToDraw {
    const GUID* id;
    const wchar_t* file;
    UINT title;  // satellite string
};

const PageToDraw kPages[] = {
    {&module::GUID_TOGeneralPPG, L"general.png", IDS_PPG_GENERAL},
    {&module::GUID_TOCompilerPPG, L"compilers.png", IDS_PPG_COMPILERS},
    {&module::GUID_TOGAPPPG, L"gap.png", IDS_PPG_GAP},
};

// The IDE's options area hosts each page in a window of its own.
HWND MakeHostWindow() {
    static const wchar_t kClass[] = L"QZIdeHostOptionsArea";
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kClass;
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, kClass, L"Options", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

// Draws a window and, at their places, its children: each is printed on its
// own and copied in, since printing the parent alone leaves the controls out.
void DrawInto(HWND window, HDC target, POINT origin) {
    RECT box;
    GetWindowRect(window, &box);
    const int width = box.right - box.left, height = box.bottom - box.top;
    HDC own = CreateCompatibleDC(target);
    HBITMAP picture = CreateCompatibleBitmap(target, width, height);
    HGDIOBJ old = SelectObject(own, picture);
    PrintWindow(window, own, 0);
    // A drop-down list prints its frame but not its selected item.
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (lstrcmpiW(className, L"ComboBox") == 0) {
        wchar_t text[256] = {};
        GetWindowTextW(window, text, 256);
        RECT inside{4, 2, width - GetSystemMetrics(SM_CXVSCROLL) - 2, height - 2};
        HGDIOBJ font = SelectObject(own, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
        SetBkMode(own, TRANSPARENT);
        DrawTextW(own, text, -1, &inside, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
        SelectObject(own, font);
    }
    BitBlt(target, origin.x, origin.y, width, height, own, 0, 0, SRCCOPY);
    SelectObject(own, old);
    DeleteObject(picture);
    DeleteDC(own);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!(GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE)) continue;
        RECT place;
        GetWindowRect(child, &place);
        DrawInto(child, target, POINT{origin.x + place.left - box.left, origin.y + place.top - box.top});
    }
}

HRESULT SavePng(HBITMAP bitmap, const std::wstring& path) {
    ComPtr<IWICImagingFactory> factory;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  factory.PutVoid());
    ComPtr<IWICBitmap> image;
    if (SUCCEEDED(hr)) hr = factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, image.Put());
    ComPtr<IWICStream> stream;
    if (SUCCEEDED(hr)) hr = factory->CreateStream(stream.Put());
    if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
    ComPtr<IWICBitmapEncoder> encoder;
    if (SUCCEEDED(hr)) hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put());
    if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
    ComPtr<IWICBitmapFrameEncode> frame;
    if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(frame.Put(), nullptr);
    if (SUCCEEDED(hr)) hr = frame->Initialize(nullptr);
    UINT width = 0, height = 0;
    if (SUCCEEDED(hr)) hr = image->GetSize(&width, &height);
    if (SUCCEEDED(hr)) hr = frame->SetSize(width, height);
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
    if (SUCCEEDED(hr)) hr = frame->WriteSource(image.Get(), nullptr);
    if (SUCCEEDED(hr)) hr = frame->Commit();
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    return hr;
}

bool DrawPage(Session& session, Report& report, const PageToDraw& page, HWND host, const std::wstring& folder) {
    VSPROPSHEETPAGE sheet{};
    HRESULT hr = session.Package()->GetPropertyPage(*page.id, &sheet);
    if (!report.Step(SUCCEEDED(hr), std::wstring(L"GetPropertyPage for ") + page.file + L": " + HresultText(hr))) {
        return false;
    }
    ide::PageWindow window(sheet, host);
    const HWND dialog = window.Window();
    if (!report.Step(dialog != nullptr, std::wstring(L"created the page window for ") + page.file)) return false;
    // The sheet tells a page when it is shown; that is when pages fill.
    window.Notify(PSN_SETACTIVE, host);
    ShowWindow(dialog, SW_SHOW);

    RECT box;
    GetWindowRect(dialog, &box);
    const int width = box.right - box.left, height = box.bottom - box.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all{0, 0, width, height};
    FillRect(memory, &all, GetSysColorBrush(COLOR_BTNFACE));
    DrawInto(dialog, memory, POINT{0, 0});
    SelectObject(memory, old);
    hr = SavePng(bitmap, folder + L"\\" + page.file);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    window.Close();
    return report.Step(SUCCEEDED(hr), L"drew " + folder + L"\\" + page.file + L" (" + std::to_wstring(width) + L"x" +
                                          std::to_wstring(height) + L"): " + HresultText(hr));
}

constexpr UINT_PTR kCloseTimer = 1;

void CALLBACK CloseWindow(HWND sheet, UINT, UINT_PTR, DWORD) {
    KillTimer(sheet, kCloseTimer);
    PropSheet_PressButton(sheet, PSBTN_CANCEL);
}

}  // namespace

bool ShowOptionsWindow(Session& session, Report& report, int closeAfterSeconds) {
    wchar_t display[256] = {};
    if (closeAfterSeconds < 0 && !GetEnvironmentVariableW(L"DISPLAY", display, 256)) {
        return report.Step(false, L"no X display (DISPLAY is not set): try pages --png FOLDER, or xvfb-run");
    }
    const std::wstring satellite = session.Ide().SatellitePath();
    std::vector<ide::OptionsPage> pages;
    for (const PageToDraw& page : kPages) pages.push_back({*page.id, ide::SatelliteText(satellite, page.title)});
    const std::wstring caption = L"Options - " + ide::SatelliteText(satellite, IDS_PACKAGE_NODE);
    ide::OptionsDialog window(session.Ide());
    const HRESULT hr = window.Open(session.Package(), pages, caption, false);
    if (!report.Step(SUCCEEDED(hr), L"opened the window \"" + caption + L"\" with " + std::to_wstring(pages.size()) +
                                        L" pages: " + HresultText(hr))) {
        return false;
    }
    bool everyPage = true;
    for (int i = int(pages.size()); i-- > 0;) everyPage = window.Select(i) && everyPage;
    report.Step(everyPage, L"every page was created and shown");
    if (closeAfterSeconds >= 0) {
        SetTimer(window.Window(), kCloseTimer, UINT(closeAfterSeconds) * 1000, CloseWindow);
    } else {
        Print(L"Close the window (OK keeps the changes, Cancel drops them) to end.\n");
        std::fflush(stdout);
    }
    window.RunUntilClosed();
    return report.Step(everyPage, window.Result() > 0 ? L"the window was closed; the pages applied changes"
                                                      : L"the window was closed; no page applied a change");
}

bool DrawPages(Session& session, Report& report, const std::wstring& folder) {
    CreateDirectoryW(folder.c_str(), nullptr);
    HWND host = MakeHostWindow();
    bool ok = report.Step(host != nullptr, L"made the options area window");
    for (const PageToDraw& page : kPages) ok = host && DrawPage(session, report, page, host, folder) && ok;
    if (host) DestroyWindow(host);
    return ok;
}

}  // namespace qz::host
