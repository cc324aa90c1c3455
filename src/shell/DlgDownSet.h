// CDlgDownSet: the modal dialog that edits one site's download parameters (threads, time-out,
// size limits) in place. The caller points it at the live record, runs it, and saves soft.dat
// when it returns wxID_OK; any other ending leaves the record as it was.
//
// UI thread only.
#pragma once

#include <wx/dialog.h>

#include "core/SoftDat.h"

class wxTextCtrl;

class CDlgDownSet : public wxDialog {
  public:
    // Control ids (the edits are numbered as in the layout the users know).
    enum {
        IDC_MINSIZE = 1000,
        IDC_MAXSIZE = 1001,
        IDC_THREADS = 1002,
        IDC_TIMEOUT = 1003,
        IDC_OK = 1023,
    };

    // pDownParam must not be null and must outlive the dialog.
    CDlgDownSet(wxWindow* pParent, ST_DOWNPARAM* pDownParam);

    ST_DOWNPARAM* m_pDownParam;

  private:
    void OnOK(wxCommandEvent& event);
    wxTextCtrl* Edit(int nId) const;
};
