#include "core/SiteTable.h"

namespace {

// Found at a position greater than 0: an address never starts with the service's domain.
bool Matches(std::u16string_view text, std::u16string_view fragment)
{
    size_t pos = text.find(fragment);
    return pos != std::u16string_view::npos && pos > 0;
}

bool Contains(std::u16string_view text, std::u16string_view fragment)
{
    return text.find(fragment) != std::u16string_view::npos;
}

struct SiteRule {
    std::u16string_view fragment;
    int nSite;
};

constexpr std::u16string_view kQQ = u"qq.com/";
constexpr std::u16string_view kNetEaseSlash = u"163.com/";
constexpr std::u16string_view kTencentWeibo = u"t.qq.com";
constexpr std::u16string_view kQQGroupAlbum = u"qun.qq.com";

// Rules 2 to 25, in order; the first match wins.
constexpr SiteRule kRules[] = {
    {u"baidu.com", SITE_BAIDU},
    {u"163.com", SITE_NETEASE},
    {u"renren.com", SITE_RENREN},
    {u"sina.com.cn", SITE_SINA},
    {u"weibo.com/", SITE_SINA},
    {u"56.com", SITE_56},
    {u"poco.cn", SITE_POCO},
    {u"yupoo.com", SITE_YUPOO},
    {u"51.com", SITE_51},
    {u"pchome.net", SITE_PCHOME},
    {u"taobao.com", SITE_TAOBAO},
    {u"tmall.com/", SITE_TAOBAO},
    {u"1688.com", SITE_TAOBAO},
    {u"moko.cc", SITE_MOKO},
    {u"babytree.com", SITE_BABYTREE},
    {u"pconline.com.cn", SITE_PCONLINE},
    {u"hupu.com", SITE_HUPU},
    {u"jd.com", SITE_JD},
    {u"zol.com.cn", SITE_JD},
    {u"instagram.com", SITE_INSTAGRAM},
    {u"huaban.com", SITE_HUABAN},
    {u"duitang.com", SITE_HUABAN},
    {u"lofter.com", SITE_LOFTER},
    {u".topit.", SITE_TOPIT},
};

int ClassifySite(std::u16string_view text, int nCurSel)
{
    // A QQ address that also names a NetEase page belongs to NetEase.
    if (Matches(text, kQQ) && !Contains(text, kNetEaseSlash))
        return SITE_QQ;
    for (const auto& rule : kRules)
        if (Matches(text, rule.fragment))
            return rule.nSite;
    return nCurSel;
}

} // namespace

std::optional<ST_SITEMATCH> SiteFromAddress(std::u16string_view strAddress, int nCurSel)
{
    if (!Contains(strAddress, u"http://") && !Contains(strAddress, u"https://"))
        return std::nullopt;

    ST_SITEMATCH match{ClassifySite(strAddress, nCurSel), QQ_SUB_NONE};
    if (match.nSite == SITE_QQ) {
        if (Matches(strAddress, kTencentWeibo))
            match.nQQSubType = QQ_SUB_TWEIBO;
        else if (Matches(strAddress, kQQGroupAlbum))
            match.nQQSubType = QQ_SUB_GROUP;
    }
    return match;
}
