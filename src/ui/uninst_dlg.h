// The uninstall dialog: the prompt before a run, and the display of a run while it lasts.
#pragma once

#include "app/removal_run.h"
#include "framework/afx.h"

class CUninstDlg : public mfc::CDialog, public RunDisplay {
public:
    explicit CUninstDlg(mfc::CDialog* pParent = nullptr);

    BOOL OnInitDialog() override;
    void OnPaint();
    HICON OnQueryDragIcon();
    // Runs the removal with this dialog as its display, then ends the dialog.
    void OnOkClicked();

    // The run display.
    void PrepareRunControls() override;
    void ShowFileName(const char* path) override;
    void StepProgress() override;           // PBM_STEPIT, then the 20 ms pause
    void StepProgressNoPause() override;    // PBM_STEPIT alone
    void SetProgressPos(int pos) override;  // PBM_SETPOS
    // Ends the dialog, then tells the user how the run went: the completion message, or that the
    // device check found the product's devices missing.
    void FinishRun(const RunResult& result) override;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    HICON m_hIcon;
};
