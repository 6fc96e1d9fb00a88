// The uninstall dialog: the prompt before a run, and the display of a run while it lasts.
#pragma once

#include "framework/afx.h"

class CUninstDlg : public mfc::CDialog {
public:
    explicit CUninstDlg(mfc::CDialog* pParent = nullptr);

    BOOL OnInitDialog() override;
    void OnPaint();
    HICON OnQueryDragIcon();
    void OnOkClicked();
    // WM_CLOSE to the companion remote-control window, if the profile names one and it is open.
    void CloseCompanionWindow();

    // The two removal sequences; each runs at most once per dialog.
    BOOL RunNtRemoval();
    int RunWin9xRemoval();

    // Run-display operations that the removal sequences perform on the dialog.
    void PrepareRunControls();
    void ShowFileName(const char* path);
    void StepProgress();           // PBM_STEPIT, then the 20 ms pause
    void StepProgressNoPause();    // PBM_STEPIT alone
    void SetProgressPos(int pos);  // PBM_SETPOS
    void FinishRun();              // ends the dialog and shows the completion message

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    HICON m_hIcon;
};

bool IsWin9xFamily();
