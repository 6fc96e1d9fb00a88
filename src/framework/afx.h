// A thin stand-in for the parts of the MFC application framework the uninstaller uses: one
// application object with InitInstance, and a modal dialog on a resource template with
// OnInitDialog, OnOK, OnCancel and a message map. Everything goes through the port, so the same
// code runs the real dialog on Windows and the modelled one in the simulation.
#pragma once

#include "platform/port.h"

// Product code speaks the Win32 vocabulary of the port directly, as a Win32 program would.
using namespace w32;

namespace mfc {

class CDialog;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Returning FALSE ends the program without running a message loop.
    virtual BOOL InitInstance();
    // The program's exit code, asked for once InitInstance has returned.
    virtual int ExitInstance();

    HINSTANCE m_hInstance = nullptr;
    // The main window while it exists; the framework clears it when that dialog's window is gone.
    CDialog* m_pMainWnd = nullptr;
};

// The one application object, registered by CWinApp's constructor.
CWinApp* AfxGetApp();

// The framework's entry point: calls InitInstance on the one application object and returns the
// program's exit code, ExitInstance's.
int AfxWinMain();

class CDialog {
public:
    CDialog(UINT nIDTemplate, CDialog* pParentWnd);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    INT_PTR DoModal();
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    void EndDialog(int nResult);
    // Centres the dialog over its owner while that is shown, else on the work area of its
    // monitor, and keeps it inside that work area (CWnd::CenterWindow).
    void CenterWindow();

    HWND m_hWnd = nullptr;

protected:
    virtual void DoDataExchange();
    // The derived class's message map: return true when the message was handled, with its result.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
    // Called by a handler that wants the system's default processing of the message it is
    // handling after all (CWnd::Default): the dialog procedure then returns FALSE for it.
    void Default();

private:
    // Where the dialog stood, and whether it was shown, before WM_INITDIALOG.
    struct InitialPlace {
        RECT rect{};
        DWORD style = 0;
    };
    InitialPlace BeforeInitDialog() const;
    // Centres the dialog as MFC does once WM_INITDIALOG has been handled (dialog_placement.cpp).
    void AfterInitDialog(const InitialPlace& before);

    static INT_PTR DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate;
    CDialog* m_pParentWnd;
    bool m_bDefault = false;
};

// Whether a dialog template leaves the dialog's place to the system, which MFC then centres: no
// DS_ABSALIGN, and x or y 0.
bool DialogTemplateLeavesPlaceToSystem(HINSTANCE instance, UINT templateId);

// The paint session of one WM_PAINT: BeginPaint on construction, EndPaint on every way out.
class CPaintDC {
public:
    explicit CPaintDC(CDialog* pWnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC m_hDC = nullptr;

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps{};
};

}  // namespace mfc
