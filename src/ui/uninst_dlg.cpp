// The uninstall dialog: the prompt, the start of a run, and the display that a run drives.
#include "ui/uninst_dlg.h"

#include <string>

#include "app/uninst_app.h"
#include "res/resource.h"
#include "ui/program.h"

namespace {
constexpr int kProgressStep = 6;
constexpr DWORD kStepPauseMs = 20;
}  // namespace

CUninstDlg::CUninstDlg(mfc::CDialog* pParent)
    : mfc::CDialog(IDD_UNINST_DIALOG, pParent),
      m_hIcon(Api().LoadIconA(mfc::AfxGetApp() != nullptr ? mfc::AfxGetApp()->m_hInstance : nullptr,
                              MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

bool CUninstDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
    switch (message) {
        case WM_PAINT:
            OnPaint();
            result = TRUE;
            return true;
        case WM_QUERYDRAGICON:
            result = reinterpret_cast<INT_PTR>(OnQueryDragIcon());
            return true;
        case WM_COMMAND:
            // Takes the place of the framework's OK handling: OK and Enter start the run instead
            // of ending the dialog.
            if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
                OnOkClicked();
                result = TRUE;
                return true;
            }
            return false;
        default:
            return false;
    }
}

BOOL CUninstDlg::OnInitDialog() {
    mfc::CDialog::OnInitDialog();
    Api().SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    Api().SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    Api().SetWindowTextA(m_hWnd, theApp.UnInstDrvAppTitle);
    Api().SetDlgItemTextA(m_hWnd, IDC_RUN_TIP, theApp.UnInstDrvRunTipMsg);
    Api().SetDlgItemTextA(m_hWnd, IDOK, theApp.OKText);
    // A passive run presses OK itself. The command is posted, so that it arrives once the modal
    // loop runs, as a person's click would.
    if (theApp.Options().passive) {
        Api().PostMessageA(m_hWnd, WM_COMMAND, static_cast<WPARAM>(MAKELPARAM(IDOK, BN_CLICKED)),
                           reinterpret_cast<LPARAM>(Api().GetDlgItem(m_hWnd, IDOK)));
    }
    return TRUE;
}

void CUninstDlg::OnPaint() {
    if (!Api().IsIconic(m_hWnd)) {
        Default();
        return;
    }
    mfc::CPaintDC dc(this);
    if (dc.m_hDC == nullptr) return;
    Api().SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC), 0);
    const int cxIcon = Api().GetSystemMetrics(SM_CXICON);
    const int cyIcon = Api().GetSystemMetrics(SM_CYICON);
    RECT rect{};
    Api().GetClientRect(m_hWnd, &rect);
    const int x = (rect.right - rect.left - cxIcon + 1) / 2;
    const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
    Api().DrawIcon(dc.m_hDC, x, y, m_hIcon);
}

HICON CUninstDlg::OnQueryDragIcon() {
    return m_hIcon;
}

void CUninstDlg::OnOkClicked() {
    // The dialog manager shows a modal dialog once its message queue first runs empty, which the
    // posted OK of a passive run comes before: the run shows it, painted, as it starts.
    if (theApp.Options().passive) {
        Api().ShowWindow(m_hWnd, SW_SHOWNORMAL);
        Api().UpdateWindow(m_hWnd);
    }
    RemovalRun run(this);
    RunRemoval(run, m_hWnd);
    // Logged before the message box, which may wait for a long time.
    theApp.EndRun(run.Result());
    FinishRun(run.Result());
}

void CUninstDlg::PrepareRunControls() {
    HWND progress = Api().GetDlgItem(m_hWnd, IDC_PROGRESS);
    HWND action = Api().GetDlgItem(m_hWnd, IDC_ACTION);
    HWND runTip = Api().GetDlgItem(m_hWnd, IDC_RUN_TIP);
    HWND fileName = Api().GetDlgItem(m_hWnd, IDC_FILE_NAME);
    HWND blank = Api().GetDlgItem(m_hWnd, IDC_BLANK);
    Api().SetWindowTextA(blank, "");
    Api().SetWindowTextA(action, "Delete Files:");
    Api().SetWindowTextA(fileName, "");
    Api().SetWindowTextA(runTip, "");
    Api().ShowWindow(progress, SW_SHOW);
    Api().SendMessageA(progress, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    Api().SendMessageA(progress, PBM_SETSTEP, kProgressStep, 0);
}

void CUninstDlg::ShowFileName(const char* path) {
    Api().SetWindowTextA(Api().GetDlgItem(m_hWnd, IDC_FILE_NAME), path);
}

void CUninstDlg::StepProgress() {
    StepProgressNoPause();
    Api().Sleep(kStepPauseMs);
}

void CUninstDlg::StepProgressNoPause() {
    Api().SendMessageA(Api().GetDlgItem(m_hWnd, IDC_PROGRESS), PBM_STEPIT, 0, 0);
}

void CUninstDlg::SetProgressPos(int pos) {
    Api().SendMessageA(Api().GetDlgItem(m_hWnd, IDC_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(pos),
                       0);
}

void CUninstDlg::FinishRun(const RunResult& result) {
    OnOK();
    // A passive run ends without a word: its exit code and its log say how it went.
    if (!theApp.Options().ShowsMessages()) return;
    if (result.end == RunEnd::DeviceCheck) {
        Api().MessageBoxA(m_hWnd, theApp.UnInstDevMissingMsg, theApp.UnInstDrvAppTitle,
                          MB_OK | MB_ICONWARNING);
        return;
    }
    const std::string text = theApp.CompletionMessage(result);
    Api().MessageBoxA(m_hWnd, text.c_str(), theApp.UnInstDrvAppTitle,
                      MB_OK | (result.ItemsLeft() > 0 ? MB_ICONWARNING : MB_ICONINFORMATION));
}
