// CSrvConfig: the configuration the program fetches from the maker's site at start-up (newest
// version, update page, site names) through a two-stage exchange. Free of the GUI toolkit; runs
// on the start-up thread.
#pragma once

#include <string>
#include <vector>

class CSrvConfig {
  public:
    // Builds the built-in first-stage endpoint list (kept enciphered in the program).
    CSrvConfig();

    // People who host their own configuration list their first-stage endpoints in the extension
    // INI of the settings folder: section "配置", key "配置地址", addresses separated by "|".
    // When the key holds at least one address, that list replaces the built-in one.
    void ReadEndpointOverride(const std::u16string& strAppDir);

    // Runs the exchange: fills m_arrFields and siteNames from the first second-stage reply that
    // carries the record, the notice and the site list; true then. False when every address
    // failed (siteNames empty). Blocks for the fetches.
    bool Fetch(const std::u16string& strEditionId, std::vector<std::u16string>& siteNames);

    // Copy of a field of the reply record, "" when there is none.
    std::u16string GetField(int nField) const;

    // The edition identifier sent to the second stage: product code, "_", site index.
    static std::u16string EditionId(int nSite);

    // Decodes a text kept enciphered in the program (the literal codec and its built-in key).
    static std::u16string Decipher(const std::u16string& strCipher);
    static std::u16string Encipher(const std::u16string& strPlain);

    std::vector<std::u16string> m_arrEndpoints;
    std::vector<std::u16string> m_arrFields;
    int m_nEndpointNo = 0; // 1-based number of the first-stage endpoint tried last
    int m_nEntryNo = 0;    // 1-based number of the second-stage address tried last
};

// Fixed texts of the shell kept enciphered (decoded where they are used).
namespace SrvText {
std::u16string Notice();        // static 1013
std::u16string SplashCaption(); // the splash caption
std::u16string UpdateMessage(); // the update notice
std::u16string ServerLine();    // status line 1031, before "\tSrv Info:%d_%d"
std::u16string HomePage();      // link 1032's page
std::u16string HomeLinkText();  // link 1032's text
std::u16string TipText1();      // tip dialog, before the numbers
std::u16string TipText2();      // tip dialog, after the numbers
} // namespace SrvText
