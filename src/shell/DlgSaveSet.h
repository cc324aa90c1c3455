// CDlgSaveSet: the modal dialog that edits one site's naming rules (prefixes, suffixes,
// replacements, name type, album-folder type) in place. Nothing changes before "确 定"; the
// caller saves soft.dat when it returns wxID_OK.
//
// UI thread only.
#pragma once

#include <cstdint>
#include <wx/dialog.h>
#include <wx/string.h>

#include "core/SoftDat.h"

class wxTextCtrl;
class wxRadioButton;

// Longest text the dialog stores in a name field (the fields hold 40 units with the NUL).
inline constexpr size_t SAVESET_MAX_CHARS = 38;

// The help text behind link 1010: the naming escapes ?1 .. ?9.
wxString SaveSetHelpText();

class CDlgSaveSet : public wxDialog {
  public:
    enum {
        IDC_PREFIX = 1000,
        IDC_SUFFIX = 1001,
        IDC_ALBUM_PREFIX = 1002,
        IDC_ALBUM_SUFFIX = 1003,
        IDC_HELP_LINK = 1010,
        IDC_NAME_DESC = 1016,
        IDC_NAME_NUMBER = 1017,
        IDC_NAME_URL = 1018,
        IDC_DIR_ALBUM = 1019,
        IDC_DIR_NONE = 1020,
        IDC_REPLACE_FROM = 1021,
        IDC_REPLACE_TO = 1022,
        IDC_OK = 1023,
    };

    // pSiteSet must not be null and must outlive the dialog.
    CDlgSaveSet(wxWindow* pParent, ST_SITESET* pSiteSet);

    ST_SITESET* m_pSiteSet;
    int32_t m_nNameType = 0;     // radio group 1016..1018
    int32_t m_nAlbumDirType = 0; // radio group 1019..1020

    // Radio buttons <-> members. Reading fails (false) when the album-folder choice is outside
    // 0..1, as the OK processing requires.
    bool TransferRadios(bool bFromWindow);

  private:
    void OnOK(wxCommandEvent& event);
    void OnHelpLink(wxCommandEvent& event);
    wxTextCtrl* Edit(int nId) const;
    wxRadioButton* Radio(int nId) const;
};
