// A shown frame holding the real album grid over a working state with a few albums.
#pragma once

#include <initializer_list>
#include <wx/frame.h>

#include "core/WorkState.h"
#include "grid/MyGridCtrl.h"
#include "gui_support.h"

namespace dialogs_test {

struct CAlbumGridFixture {
    explicit CAlbumGridFixture(std::initializer_list<const char16_t*> names,
                               wxPoint ptFrame = wxPoint(300, 100))
    {
        pFrame = new wxFrame(nullptr, wxID_ANY, "grid", ptFrame, wxSize(700, 500));
        pGrid = new CMyGridCtrl(pFrame, wxID_ANY, wxDefaultPosition, wxSize(680, 480));
        pGrid->AttachWorkState(&work);
        pGrid->SetupAlbumGrid();
        for (const char16_t* szName : names) {
            ST_PERLISTRECORD rec;
            rec.strName = szName;
            work.m_pAlbumList->AddAlbum(rec);
            pGrid->AddAlbumRow(work.m_pAlbumList->Count() - 1);
        }
        pFrame->Show();
        albumora_test::PumpEvents(100);
    }
    ~CAlbumGridFixture() { pFrame->Destroy(); }

    // Non-fixed rows with a selected cell, in order.
    std::vector<int> SelectedRows() const
    {
        std::vector<int> rows;
        for (int r = pGrid->NextSelectedRow(-1); r >= 0; r = pGrid->NextSelectedRow(r))
            rows.push_back(r);
        return rows;
    }
    std::vector<wxString> NameColumn() const
    {
        std::vector<wxString> names;
        for (int r = 1; r < pGrid->RowCount(); ++r)
            names.push_back(pGrid->CellText(r, 1));
        return names;
    }

    CWorkState work;
    wxFrame* pFrame;
    CMyGridCtrl* pGrid;
};

} // namespace dialogs_test
