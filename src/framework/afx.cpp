#include "framework/afx.h"

#include <map>

namespace mfc {

namespace {

// Constant-initialised, so the application object can register itself during static
// construction whatever the order of translation units.
CWinApp* registeredApp = nullptr;

// Which dialog object a dialog window belongs to. The dialog manager hands the dialog procedure
// only the window; the object arrives once, with WM_INITDIALOG.
std::map<HWND, CDialog*>& DialogWindows() {
    static std::map<HWND, CDialog*> windows;
    return windows;
}

void ForgetDialog(const CDialog* dlg) {
    auto& windows = DialogWindows();
    for (auto it = windows.begin(); it != windows.end();) {
        if (it->second == dlg) {
            it = windows.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace

CWinApp::CWinApp() {
    // There is one application object; a second one is a programming error and stays unknown.
    if (registeredApp == nullptr) registeredApp = this;
}

CWinApp::~CWinApp() {
    if (registeredApp == this) registeredApp = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return 0;
}

CWinApp* AfxGetApp() {
    return registeredApp;
}

int AfxWinMain() {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) return -1;
    app->m_hInstance = Api().GetModuleHandleA(nullptr);
    // This framework has no message loop: the uninstaller does all of its work inside
    // InitInstance and returns FALSE, and a program that returned TRUE would have no window left
    // to pump messages for. Either way the program ends here.
    app->InitInstance();
    return app->ExitInstance();
}

CDialog::CDialog(UINT nIDTemplate, CDialog* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
    ForgetDialog(this);
    CWinApp* app = AfxGetApp();
    if (app != nullptr && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
}

INT_PTR CDialog::DoModal() {
    CWinApp* app = AfxGetApp();
    HINSTANCE instance = app != nullptr ? app->m_hInstance : nullptr;
    HWND parent = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    const INT_PTR result =
        Api().DialogBoxParamA(instance, MAKEINTRESOURCEA(static_cast<WORD>(m_nIDTemplate)), parent,
                              &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    // The window is gone once DialogBoxParamA returns; nothing may reach this object through it,
    // and it is no longer the application's main window.
    ForgetDialog(this);
    m_hWnd = nullptr;
    if (app != nullptr && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
    return result;
}

BOOL CDialog::OnInitDialog() {
    DoDataExchange();
    return TRUE;
}

void CDialog::OnOK() {
    DoDataExchange();
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int nResult) {
    Api().EndDialog(m_hWnd, nResult);
}

void CDialog::DoDataExchange() {}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) {
    return false;
}

void CDialog::Default() {
    m_bDefault = true;
}

INT_PTR CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto& windows = DialogWindows();
    if (message == WM_INITDIALOG) {
        auto* dlg = reinterpret_cast<CDialog*>(lParam);
        if (dlg == nullptr) return FALSE;
        windows[hWnd] = dlg;
        dlg->m_hWnd = hWnd;
    }
    // Messages before WM_INITDIALOG (WM_SETFONT) and after the modal run get default processing.
    const auto it = windows.find(hWnd);
    if (it == windows.end()) return FALSE;
    CDialog* dlg = it->second;
    if (message != WM_INITDIALOG) return dlg->Dispatch(message, wParam, lParam);
    // However the dialog handles WM_INITDIALOG, its place is settled once that is done.
    const InitialPlace before = dlg->BeforeInitDialog();
    const INT_PTR result = dlg->Dispatch(message, wParam, lParam);
    dlg->AfterInitDialog(before);
    return result;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    // A handler may send a message to its own dialog (WM_ICONERASEBKGND from WM_PAINT), which
    // comes back through here: each message keeps its own request for default processing.
    const bool outer = m_bDefault;
    m_bDefault = false;

    INT_PTR result = FALSE;
    bool handled = OnMessage(message, wParam, lParam, result);
    if (!handled) {
        if (message == WM_INITDIALOG) {
            result = OnInitDialog();
            handled = true;
        } else if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
            if (LOWORD(wParam) == IDOK) {
                OnOK();
                result = TRUE;
                handled = true;
            } else if (LOWORD(wParam) == IDCANCEL) {
                OnCancel();
                result = TRUE;
                handled = true;
            }
        }
    }
    if (m_bDefault) handled = false;
    m_bDefault = outer;
    // For a dialog procedure, FALSE asks the dialog manager for its default processing; messages
    // such as WM_INITDIALOG and WM_QUERYDRAGICON return their value as the procedure's result.
    return handled ? result : FALSE;
}

CPaintDC::CPaintDC(CDialog* pWnd) : m_hWnd(pWnd->m_hWnd) {
    m_hDC = Api().BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC() {
    if (m_hDC != nullptr) Api().EndPaint(m_hWnd, &m_ps);
}

}  // namespace mfc
