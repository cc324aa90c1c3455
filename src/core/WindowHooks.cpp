#include "core/WindowHooks.h"

namespace {

class CNullHooks final : public WindowHooks {
  public:
    void BeginListUI() override {}
    void EndListUI() override {}
    void BeginDownloadUI() override {}
    void EndDownloadUI() override {}
    void RunDownloadCommand() override {}
    void AddAlbumRow(int) override {}
    void FitRowHeights() override {}
    void RedrawGrid() override {}
    void SelectEverything() override {}
    int GetRowCount() override { return 0; }
    int GetColumnCount() override { return 0; }
    int GetFixedRowCount() override { return 0; }
    int GetFixedColumnCount() override { return 0; }
    int NextSelectedRow(int) override { return -1; }
    int CellData(int, int) override { return 0; }
    bool IsCellSelected(int, int) override { return false; }
    std::u16string GetControlText(int) override { return {}; }
    void SetControlText(int, const std::u16string&) override {}
    bool IsControlVisible(int) override { return false; }
    int GetComboSelection(int) override { return -1; }
    void ResetEntries(int) override {}
    void AddEntry(int, const std::u16string&) override {}
    int MessageBox(const std::u16string&, const std::u16string&, int) override { return IDNO; }
    void OpenFolder(const std::u16string&) override {}
    void DownNotify(uint32_t, uint32_t) override {}
};

} // namespace

WindowHooks& NullWindowHooks()
{
    static CNullHooks hooks;
    return hooks;
}
