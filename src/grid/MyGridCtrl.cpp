#include "grid/MyGridCtrl.h"

void CMyGridCtrl::InitGrid(int nFixedRows, int nRows, int nCols, bool bRowSelect)
{
    m_bHeaderSort = true;
    m_bRenumberRows = true;
    SetHeaderRows(nFixedRows);
    SetHeaderColumns(0);
    ResizeRows(nRows);
    ResizeColumns(nCols);
    // Cells are read-only anyway; nothing to switch off for editing.
    m_crWindowColour = wxColour(255, 255, 255);
    m_bFocusFrame = false;
    m_crFocusSelBkColour = m_crSelBkColour = wxColour(199, 227, 227);
    m_crFocusSelTextColour = m_crSelTextColour = wxColour(0, 0, 0);
    m_bDragOut = true;
    SetRowSelect(bRowSelect);
}

// ---------------------------------------------------------------------------------------------
// The album view

#include "core/WorkState.h"
#include "net/URLSource2.h"
#include "text/StringCtrl.h"

#include <filesystem>
#include <system_error>
#include <thread>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/msgdlg.h>

namespace {

constexpr size_t kMaxAlbumName = 80;

struct SListColumn {
    const char16_t* pszHeader;
    int nWidth;
};
constexpr SListColumn kListColumns[] = {{u"序号", 50},  {u"名称", 575}, {u"数量", 50},
                                        {u"备注", 100}, {u"", 0},       {u"", 0}};

wxString Wx(const std::u16string& s)
{
    return wxString::FromUTF8(ToUtf8(s));
}

std::string PathBytes(const std::u16string& s)
{
    return ToUtf8(s);
}

} // namespace

wxString CMyGridCtrl::FormatAlbumCount(int32_t nCount)
{
    if (nCount == -1)
        return wxString::FromUTF8("未知");
    return wxString::Format("%4u", static_cast<unsigned>(nCount));
}

wxString CMyGridCtrl::FormatAlbumPrivacy(int32_t nAttrib)
{
    if (nAttrib < 0)
        return wxString::Format("%08u", static_cast<unsigned>(static_cast<uint32_t>(nAttrib) & 0x7FFFFFFFu));
    if (nAttrib & 1)
        return wxString::FromUTF8("加密相册");
    if (nAttrib & 2)
        return wxString::FromUTF8("私密相册");
    if (nAttrib & 4)
        return wxString::FromUTF8("好友可见");
    return wxString();
}

void CMyGridCtrl::SetupAlbumGrid()
{
    m_bPaintOn = false;
    // Painting runs on this thread too, so a paint can only be in progress when this was
    // reached from inside one; never spin for ever on it.
    for (int n = 0; !m_bPaintDone.load() && n < 100; ++n)
        wxMilliSleep(1);

    ClearGrid();
    for (bool bFixedRow : {false, true})
        for (bool bFixedCol : {false, true})
            DefaultCell(bFixedRow, bFixedCol)->SetMargin(8);

    const bool bPreview = m_pWork && m_pWork->m_bPreview.load();
    if (!bPreview) {
        InitGrid(1, 1, 6, true);
        for (int c = 0; c < 6; ++c) {
            PutCellText(0, c, Wx(kListColumns[c].pszHeader));
            PutColumnWidth(c, kListColumns[c].nWidth);
        }
    } else {
        InitGrid(0, 0, m_byThumbCols, false);
        // One pixel more than the thumbnail and its margins: the column's last pixel is the grid
        // line, and a picture that does not fit whole is not drawn at all.
        const int nWidth = m_byThumbW + 2 * DefaultCell(false, false)->GetMargin() + 1;
        for (int c = 0; c < m_byThumbCols; ++c)
            PutColumnWidth(c, nWidth);
    }
    SetImageList(&m_ThumbImages);
    FitRowHeights();
    m_bPaintOn = true;
    Refresh();
}

std::u16string CMyGridCtrl::FetchAlbumCover(const std::u16string& strAppDir, int i,
                                            const std::u16string& strCoverUrl, int nImage)
{
    if (nImage != -1 || strCoverUrl.empty())
        return u"";
    const std::u16string strDir = strAppDir + u"tmp";
    if (i == 0) {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(PathBytes(strDir)), ec);
    }
    const std::u16string strPath = strDir + u"/" + AsciiToU16(std::to_string(i)) + u".jpg";
    ST_URLREQUEST req(strCoverUrl, strPath);
    CURLSource2 src;
    if (!FetchUrl(req, src, 0))
        return u"";
    return strPath;
}

void CMyGridCtrl::ShowAlbumRow(int i, const std::u16string& strCoverFile)
{
    if (!m_pWork)
        return;
    ST_PERLISTRECORD* pAlbum = m_pWork->m_pAlbumList->GetAlbum(i);
    if (!pAlbum)
        return;
    if (pAlbum->strName.size() > kMaxAlbumName) {
        // Keep the surrogate pair whole when the 80th unit is its first half.
        size_t n = kMaxAlbumName;
        if (pAlbum->strName[n - 1] >= 0xD800 && pAlbum->strName[n - 1] <= 0xDBFF)
            --n;
        pAlbum->strName.resize(n);
    }
    const wxString strName = Wx(pAlbum->strName);

    if (m_pWork->m_bPreview.load()) {
        const int nCols = std::max<int>(m_byThumbCols, 1);
        const int nRow = i / nCols, nCol = i % nCols;
        if (nCol == 0 || nRow >= RowCount()) {
            while (RowCount() <= nRow)
                if (AppendRow() < 0)
                    return;
            PutRowHeight(nRow, m_byThumbH + 10);
        }
        if (pAlbum->nImage == -1 && !strCoverFile.empty()) {
            if (!wxImage::FindHandler(wxBITMAP_TYPE_JPEG))
                wxInitAllImageHandlers();
            wxLogNull noLog; // a file that is no picture is simply shown without one
            wxImage img;
            if (img.LoadFile(Wx(strCoverFile), wxBITMAP_TYPE_ANY) && img.IsOk()) {
                img.Rescale(m_byThumbW, m_byThumbH, wxIMAGE_QUALITY_HIGH);
                wxBitmap bmp(img, 24);
                if (!bmp.IsOk())
                    wxMessageBox("err1");
                else
                    pAlbum->nImage = m_ThumbImages.Add(bmp);
            }
        }
        if (pAlbum->nImage != -1)
            PutCellImage(nRow, nCol, pAlbum->nImage);
        if (CGridCellBase* pCell = CellAt(nRow, nCol))
            pCell->bImageAbove = 1;
        PutCellText(nRow, nCol, wxString::Format("%d.", i + 1) + strName);
        PutCellData(nRow, nCol, static_cast<uint32_t>(i));
        return;
    }

    if (!m_strFilter.empty() && pAlbum->strName.find(m_strFilter) == std::u16string::npos)
        return;
    const int nRow = AppendRow();
    if (nRow < 0)
        return;
    PutCellText(nRow, 0, wxString::Format("%04d", nRow));
    PutCellData(nRow, 0, static_cast<uint32_t>(i));
    PutCellText(nRow, 1, strName);
    PutCellText(nRow, 2, FormatAlbumCount(pAlbum->nPicCount));
    PutCellText(nRow, 3, FormatAlbumPrivacy(pAlbum->nAttrib));
    PutCellText(nRow, 4, wxString());
    PutCellText(nRow, 5, wxString());
}

void CMyGridCtrl::AddAlbumRow(int i)
{
    std::u16string strFile;
    if (m_pWork && m_pWork->m_bPreview.load())
        if (const ST_PERLISTRECORD* pAlbum = m_pWork->m_pAlbumList->GetAlbum(i))
            strFile = FetchAlbumCover(m_pWork->m_strAppDir, i, pAlbum->strCoverUrl, pAlbum->nImage);
    ShowAlbumRow(i, strFile);
}

void CMyGridCtrl::RebuildAlbumRows()
{
    RunRebuild(this, m_fnRunOnUi);
}

// The loop touches the grid and the album list only inside UI steps: a step does nothing once
// the window is gone (the step runner answers false) or the album list was replaced, so a
// conversion thread outliving either never reads freed memory.
void CMyGridCtrl::RunRebuild(CMyGridCtrl* pGrid, UiRunner fnRunOnUi)
{
    const bool bOnUi = wxThread::IsMain() || !fnRunOnUi;
    auto onUi = [&](const std::function<void()>& fn) {
        if (bOnUi) {
            fn();
            return true;
        }
        return fnRunOnUi(fn);
    };
    uint32_t nGeneration = 0;
    std::u16string strAppDir;
    bool bPreview = false;
    if (!onUi([&] {
            nGeneration = pGrid->m_nGeneration.load();
            if (pGrid->m_pWork) {
                strAppDir = pGrid->m_pWork->m_strAppDir;
                bPreview = pGrid->m_pWork->m_bPreview.load();
            }
        }))
        return;
    auto current = [&] { return pGrid->m_pWork && pGrid->m_nGeneration.load() == nGeneration; };

    for (int i = 0;; ++i) {
        bool bHave = false;
        std::u16string strCover;
        int nImage = -1;
        if (!onUi([&] {
                if (!current() || pGrid->m_byConvertState.load() == 2)
                    return;
                if (const ST_PERLISTRECORD* p = pGrid->m_pWork->m_pAlbumList->GetAlbum(i)) {
                    bHave = true;
                    strCover = p->strCoverUrl;
                    nImage = p->nImage;
                }
            }))
            return;
        if (!bHave)
            break;
        const std::u16string strFile =
            bPreview ? FetchAlbumCover(strAppDir, i, strCover, nImage) : std::u16string();
        bool bShown = false;
        if (!onUi([&] {
                if (!current())
                    return;
                pGrid->ShowAlbumRow(i, strFile);
                if (i % 10 == 0) {
                    pGrid->FitRowHeights();
                    pGrid->Refresh();
                }
                bShown = true;
            }))
            return;
        if (!bShown)
            break;
    }
    onUi([&] {
        pGrid->FitRowHeights();
        pGrid->Refresh();
        pGrid->m_strFilter.clear();
        pGrid->m_byConvertState = 0;
    });
}

bool CMyGridCtrl::StartPreviewConversion()
{
    try {
        std::thread([pGrid = this, fn = m_fnRunOnUi] { RunRebuild(pGrid, fn); }).detach();
        return true;
    } catch (const std::system_error&) {
        m_byConvertState = 0;
        return false;
    }
}
