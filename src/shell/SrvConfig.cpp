#include "shell/SrvConfig.h"

#include "core/SoftDat.h"
#include "net/URLSource2.h"
#include "text/StringCtrl.h"

namespace {

// Key of the literal codec for the texts below and for the exchange's payload.
constexpr char16_t kCodecKey[] = u"相册下载器";

// The maker's first-stage endpoints.
constexpr char16_t kEndpoint1[] =
    u"586B396E0A120444566656762A30574F4A4A4F61436B2C3055454A4A496455302A681F4E5F465E6D01313D7640";
constexpr char16_t kEndpoint2[] =
    u"586B396E0A120444566656762A2C1E5A5946547E596C397F1E58534654785C7A627946125853586F"
    u"552E636E584D14544B6B0D7E3D6E";
constexpr char16_t kEndpoint3[] =
    u"586B396E0A1204504E7F1E783F7F5D4B42544D691E7A357F5D4D4742166F46303E6A515A4E1617604472";
constexpr char16_t kReferer[] =
    u"627A2B7B4258591D1960446B3D241F125C504E26576D2C7346545853582655672C7340514E08";
// Markers, separator and placeholder of the exchange.
constexpr char16_t kCfgStart[] = u"6B783B33535B4C7A";
constexpr char16_t kCfgEnd[] = u"6B302A681D5E4D4064";
constexpr char16_t kPayloadMark[] = u"05277B5C03041D620949012D7D2A";
constexpr char16_t kSeparator[] = u"6E41";
constexpr char16_t kPlaceholder[] = u"4B5A09576474646944";
constexpr char16_t kRecStart[] = u"6B783B334258487A";
constexpr char16_t kRecEnd[] = u"6B302A681D4F4E4464";
constexpr char16_t kMsgStart[] = u"6B783B335D4E4C7A";
constexpr char16_t kMsgEnd[] = u"6B302A681D50584064";
constexpr char16_t kSitesStart[] = u"6B783B3343545F424A55";
constexpr char16_t kSitesEnd[] = u"6B302A681D4E42535C7B6D";
constexpr char16_t kProductCode[] = u"774D0C536674787378";
// Window texts.
constexpr char16_t kNotice[] =
    u"E5AC81E779535853586F427E20C8C7EF9892E1DE87BCE1ABD386DC8689B3C1D7ECD1D08FCA8688B484A0"
    u"84D130CDE9F39FFADEC7CDFEABF43DCC809586C58CD9E1A4FDF7F8E18CA993";
constexpr char16_t kSplash[] = u"776D2C73465458535828E5E299C486FCE386FCECE6DCEEB2F7D6E2F383FA1E3163";
constexpr char16_t kUpdate[] =
    u"87BD82C8E03DCE9BC188B693BEF1AA8D969FD586A288E39DDCE28EE8C19AA4F7F482DCE4E5FBE589EE"
    u"81A1F7EDE4E4E19EEACB93B3FCA083F1FBD584A3E7CBFBB1FDF698D198AB";
constexpr char16_t kServerLine[] = u"E2CE8CB28DEEEEC3EFCB87E183EFF6CA";
constexpr char16_t kHomePage[] = u"586B396E0A1204504E7F1E783F7F5D4B42544D691E7A357F5D4D474216";
constexpr char16_t kHomeText[] = u"776D2C73465458535828E6E89FAD10100B27CCDBB4CBA8F9DE91FAC090FAC6FAA694D3C8";
constexpr char16_t kTip1[] =
    u"8BEE85BF30CEDD99C68CCC30CEC0FED2FE89EFFB39CEFC86B065AADDF3D8E5D25784AF4DCDC49387";
constexpr char16_t kTip2[] =
    u"30CEAA80ADE7F72BCE9386C1F4C34DCEA5E7DE888BFEE389C7FCCB82829CF18AC4E0EDF7EDE4E49EC482"
    u"08CE91AFF6EFF89CE4C78BE991AEEEA5F8DA92DCF7C2FCFD9FA5E68C9FC1EDD293B38A1ECCE6E5FB"
    u"E539CEFC86B0FCA083F1FBD598AB";

std::u16string D(const char16_t* s)
{
    return CSrvConfig::Decipher(s);
}

void RemoveLineBreaks(std::u16string& s)
{
    StrRemove(s, u'\r');
    StrRemove(s, u'\n');
}

// A raw line feed would end the HTTP request line; the random value's line feed goes on the
// wire percent-encoded, as the browser's URL canonicalisation always did.
std::u16string Fraction()
{
    std::u16string s = RandomFraction();
    StrReplace(s, u"\n", u"%0A");
    return s;
}

// The pieces of a list; a text without the separator is one piece (the text helper would give
// none, which would throw away a configuration that lists a single address).
std::vector<std::u16string> Pieces(const std::u16string& strText, const std::u16string& strSep)
{
    std::vector<std::u16string> out;
    if (SplitAll(strText, strSep, out) == 0 && !strText.empty())
        out.push_back(strText);
    return out;
}

bool HasQuery(const std::u16string& s)
{
    size_t n = s.find(u'?');
    return n != std::u16string::npos && n > 0;
}

bool FetchText(ST_URLREQUEST& req, CURLSource2& src, const std::u16string& strUrl, std::u16string& strText)
{
    req.strUrl = strUrl;
    strText.clear();
    if (!FetchUrl(req, src, 0))
        return false;
    src.GetText(strText, TEXT_UNZIP | TEXT_UTF8);
    return true;
}

} // namespace

CSrvConfig::CSrvConfig()
{
    m_arrEndpoints = {D(kEndpoint1), D(kEndpoint2), D(kEndpoint3)};
}

void CSrvConfig::ReadEndpointOverride(const std::u16string& strAppDir)
{
    CIni ini(SettingsPath(strAppDir, u"下载器扩展设置.ini"));
    if (!ini.Exists())
        return;
    std::u16string strList = ini.GetString(u"配置", u"配置地址", u"");
    std::vector<std::u16string> arr;
    for (auto& s : Pieces(strList, u"|")) {
        Trim(s);
        if (!s.empty())
            arr.push_back(s);
    }
    if (!arr.empty())
        m_arrEndpoints = std::move(arr);
}

std::u16string CSrvConfig::Decipher(const std::u16string& strCipher)
{
    return XorEscapeCodec(strCipher, false, kCodecKey);
}

std::u16string CSrvConfig::Encipher(const std::u16string& strPlain)
{
    return XorEscapeCodec(strPlain, true, kCodecKey);
}

std::u16string CSrvConfig::EditionId(int nSite)
{
    return D(kProductCode) + u"_" + AsciiToU16(std::to_string(nSite));
}

std::u16string CSrvConfig::GetField(int nField) const
{
    if (nField < 0 || nField >= static_cast<int>(m_arrFields.size()))
        return u"";
    return m_arrFields[nField];
}

bool CSrvConfig::Fetch(const std::u16string& strEditionId, std::vector<std::u16string>& siteNames)
{
    ST_URLREQUEST req(u"", u"", 20000);
    req.strHeaders = u"Accept-Encoding: gzip, deflate\r\n" + D(kReferer);
    CURLSource2 src;
    const std::u16string strCfgStart = D(kCfgStart), strCfgEnd = D(kCfgEnd), strPayloadMark = D(kPayloadMark);
    const std::u16string strSeparator = D(kSeparator), strPlaceholder = D(kPlaceholder);
    const std::u16string strRecStart = D(kRecStart), strRecEnd = D(kRecEnd);
    const std::u16string strMsgStart = D(kMsgStart), strMsgEnd = D(kMsgEnd);
    const std::u16string strSitesStart = D(kSitesStart), strSitesEnd = D(kSitesEnd);

    m_nEndpointNo = m_nEntryNo = 0;
    for (size_t e = 0; e < m_arrEndpoints.size(); ++e) {
        m_nEndpointNo = static_cast<int>(e + 1);
        const std::u16string& strEndpoint = m_arrEndpoints[e];
        std::u16string strText;
        if (!FetchText(req, src, strEndpoint + (HasQuery(strEndpoint) ? u"&f=T&t=" : u"?f=T&t=") + Fraction(),
                       strText))
            continue;
        std::u16string strSection = GetMidString(strText, strCfgStart, strCfgEnd);
        if (strSection.empty())
            continue;
        RemoveLineBreaks(strSection);

        std::u16string strPayload;
        if (strSection.compare(0, strPayloadMark.size(), strPayloadMark) == 0)
            strPayload = strSection;
        else if (!FetchText(req, src, strSection, strPayload))
            continue;
        RemoveLineBreaks(strPayload);
        std::vector<std::u16string> arrEntries = Pieces(Decipher(strPayload), strSeparator);
        // A trailing separator would leave an empty address; it is no address to try.
        std::erase_if(arrEntries, [](const std::u16string& s) { return s.empty(); });
        if (arrEntries.empty())
            continue;

        for (size_t a = 0; a < arrEntries.size(); ++a) {
            m_nEntryNo = static_cast<int>(a + 1);
            siteNames.clear();
            m_arrFields.clear();
            std::u16string strAddr = arrEntries[a];
            StrReplace(strAddr, strPlaceholder, strEditionId);
            strAddr += HasQuery(strAddr) ? u"&" : u"?";
            strAddr += u"f=T&t=" + Fraction() + u"&s=17&v=5";
            StrReplace(strAddr, u".htm?", u".php?");
            std::u16string strReply;
            if (!FetchText(req, src, strAddr, strReply))
                continue;
            StrReplace(strReply, u"\\\n", u"\n");

            std::vector<std::u16string> arrRecord =
                Pieces(GetMidString(strReply, strRecStart, strRecEnd), u"|");
            if (arrRecord.size() != 7)
                continue;
            m_arrFields = arrRecord;
            if (GetMidString(strReply, strMsgStart, strMsgEnd).empty())
                continue;
            std::u16string strSites = GetMidString(strReply, strSitesStart, strSitesEnd);
            if (strSites.empty())
                continue;
            siteNames = Pieces(strSites, u"|");
            return true;
        }
    }
    siteNames.clear();
    return false;
}

namespace SrvText {
std::u16string Notice()
{
    return D(kNotice);
}
std::u16string SplashCaption()
{
    return D(kSplash);
}
std::u16string UpdateMessage()
{
    return D(kUpdate);
}
std::u16string ServerLine()
{
    return D(kServerLine);
}
std::u16string HomePage()
{
    return D(kHomePage);
}
std::u16string HomeLinkText()
{
    return D(kHomeText);
}
std::u16string TipText1()
{
    return D(kTip1);
}
std::u16string TipText2()
{
    return D(kTip2);
}
} // namespace SrvText
