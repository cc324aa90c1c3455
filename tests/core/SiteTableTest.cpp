#include <gtest/gtest.h>

#include "core/SiteTable.h"
#include "text/StringCtrl.h"

namespace {

struct Case {
    const char* address;
    int nCurSel;
    int nSite; // expected selection
    int nSubType;
};

// Every rule in order, the ordering cases and the suffix-"/" cases.
const Case kCases[] = {
    {"https://", 5, 5, QQ_SUB_NONE},                             // no fragment: current selection
    {"https://", -1, -1, QQ_SUB_NONE},                           // ... even none
    {"http://user.qzone.qq.com/12345", 3, SITE_QQ, QQ_SUB_NONE}, // plain QQ zone
    {"http://t.qq.com/someone", 3, SITE_QQ, QQ_SUB_TWEIBO},      // Tencent Weibo
    {"http://qun.qq.com/air/#g/1", 3, SITE_QQ, QQ_SUB_GROUP},    // QQ group album
    {"http://user.qzone.qq.com/1?r=http://photo.163.com/x", 3, SITE_NETEASE,
     QQ_SUB_NONE},                                                     // NetEase exception
    {"http://user.qzone.qq.com/1?r=163.com", 3, SITE_QQ, QQ_SUB_NONE}, // no "/" after 163.com: QQ stays
    {"http://qq.com", 17, 17, QQ_SUB_NONE},                            // QQ needs the "/"
    {"http://xiangce.baidu.com/u", 0, SITE_BAIDU, QQ_SUB_NONE},
    {"http://photo.163.com/u", 0, SITE_NETEASE, QQ_SUB_NONE},
    {"http://photo.renren.com/u", 0, SITE_RENREN, QQ_SUB_NONE},
    {"http://photo.blog.sina.com.cn/u", 0, SITE_SINA, QQ_SUB_NONE},
    {"http://weibo.com/u/1", 0, SITE_SINA, QQ_SUB_NONE},
    {"http://weibo.com", 17, 17, QQ_SUB_NONE},                       // Weibo needs the "/"
    {"http://weibo.com?x=huaban.com", 17, SITE_HUABAN, QQ_SUB_NONE}, // ... and falls through
    {"http://www.56.com/u", 0, SITE_56, QQ_SUB_NONE},
    {"http://my.poco.cn/album", 0, SITE_POCO, QQ_SUB_NONE},
    {"http://www.yupoo.com/photos/u/", 0, SITE_YUPOO, QQ_SUB_NONE},
    {"http://photo.51.com/u", 0, SITE_51, QQ_SUB_NONE},
    {"http://photo.pchome.net/u", 0, SITE_PCHOME, QQ_SUB_NONE},
    {"https://shop1.taobao.com/", 0, SITE_TAOBAO, QQ_SUB_NONE},
    {"https://shop.tmall.com/p", 0, SITE_TAOBAO, QQ_SUB_NONE},
    {"https://shop.tmall.com", 17, 17, QQ_SUB_NONE}, // Tmall needs the "/"
    {"https://shop.1688.com/", 0, SITE_TAOBAO, QQ_SUB_NONE},
    {"http://www.moko.cc/u/", 0, SITE_MOKO, QQ_SUB_NONE},
    {"http://www.babytree.com/u", 0, SITE_BABYTREE, QQ_SUB_NONE},
    {"http://photo.pconline.com.cn/u", 0, SITE_PCONLINE, QQ_SUB_NONE},
    {"http://my.hupu.com/u", 0, SITE_HUPU, QQ_SUB_NONE},
    {"https://item.jd.com/1.html", 0, SITE_JD, QQ_SUB_NONE},
    {"http://detail.zol.com.cn/1.html", 0, SITE_JD, QQ_SUB_NONE},
    {"https://www.instagram.com/nasa/", 0, SITE_INSTAGRAM, QQ_SUB_NONE},
    {"http://huaban.com/boards/1/", 0, SITE_HUABAN, QQ_SUB_NONE},
    {"https://www.duitang.com/album/1", 0, SITE_HUABAN, QQ_SUB_NONE},
    {"http://u.lofter.com/", 0, SITE_LOFTER, QQ_SUB_NONE},
    {"http://www.topit.me/u/1", 0, SITE_TOPIT, QQ_SUB_NONE},
    {"http://topit.me/u/1", 17, 17, QQ_SUB_NONE}, // Topit only between dots
    // Earlier rules win.
    {"http://photo.baidu.com/?from=renren.com", 0, SITE_BAIDU, QQ_SUB_NONE},
    {"http://photo.blog.sina.com.cn/?weibo.com/", 0, SITE_SINA, QQ_SUB_NONE},
    {"https://shop.taobao.com/?ref=https://www.instagram.com/x", 0, SITE_TAOBAO, QQ_SUB_NONE},
    {"https://www.instagram.com/x?ref=http://t.qq.com/", 0, SITE_QQ, QQ_SUB_TWEIBO},
    // A fragment at the very start of the text does not count; the scheme may come later.
    // Only the first occurrence is looked at, so a repeat further on does not help.
    {"instagram.com/nasa https://", 4, 4, QQ_SUB_NONE},
    {"instagram.com/nasa https://www.instagram.com/", 4, 4, QQ_SUB_NONE},
    {"baidu.com https://www.instagram.com/", 4, SITE_INSTAGRAM, QQ_SUB_NONE},
    // The sub-type also follows a current selection of 0 when nothing matches.
    {"http://example.org/t.qq.com", 0, SITE_QQ, QQ_SUB_TWEIBO},
};

} // namespace

TEST(SiteFromAddress, ClassifiesByOrderedRules)
{
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.address);
        auto m = SiteFromAddress(FromUtf8(c.address), c.nCurSel);
        ASSERT_TRUE(m.has_value());
        EXPECT_EQ(m->nSite, c.nSite);
        EXPECT_EQ(m->nQQSubType, c.nSubType);
    }
}

TEST(SiteFromAddress, WithoutWebSchemeChangesNothing)
{
    for (const char* a :
         {"www.instagram.com/nasa", "", "ftp://www.instagram.com/x", "HTTPS://www.instagram.com/x"}) {
        SCOPED_TRACE(a);
        EXPECT_FALSE(SiteFromAddress(FromUtf8(a), 3).has_value());
    }
}
