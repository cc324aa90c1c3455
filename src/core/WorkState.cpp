#include "core/WorkState.h"

bool CWorkState::LoadSoftDat()
{
    bool bExisted = ::LoadSoftDat(m_SoftDat, m_strAppDir);
    auto fill = [&](int nComboId, const char16_t(*entries)[HISTORY_UNITS]) {
        Hooks().ResetEntries(nComboId);
        for (int i = 0; i < HISTORY_ENTRIES; ++i) {
            std::u16string s = SzGet(entries[i]);
            if (!s.empty())
                Hooks().AddEntry(nComboId, s);
        }
    };
    fill(IDC_URL_BOX, m_SoftDat.szUrlHistory);
    fill(IDC_PATH_BOX, m_SoftDat.szPathHistory);
    return bExisted;
}
