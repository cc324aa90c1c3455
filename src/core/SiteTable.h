// Site indexes and the classification of a typed address by the service it names.
// Pure functions; safe from any thread.
#pragma once

#include <optional>
#include <string_view>

// Site indexes: the slot of every per-site record. Slots 21..23 exist in storage only; no
// address maps to 9.
enum : int {
    SITE_QQ = 0,
    SITE_BAIDU = 1,
    SITE_NETEASE = 2,
    SITE_RENREN = 3,
    SITE_SINA = 4,
    SITE_56 = 5,
    SITE_POCO = 6,
    SITE_YUPOO = 7,
    SITE_51 = 8,
    SITE_PCHOME = 10,
    SITE_TAOBAO = 11,
    SITE_MOKO = 12,
    SITE_BABYTREE = 13,
    SITE_PCONLINE = 14,
    SITE_HUPU = 15,
    SITE_JD = 16,
    SITE_INSTAGRAM = 17,
    SITE_HUABAN = 18,
    SITE_LOFTER = 19,
    SITE_TOPIT = 20,
    SITE_MAX_CLASSIFIED = 20, // highest index the classification yields
    SITE_SLOTS = 24,          // per-site arrays hold this many slots
};

// QQ sub-types (entries of combo 1035).
enum : int {
    QQ_SUB_NONE = -1,
    QQ_SUB_ZONE = 0,   // "QQ空间相册"
    QQ_SUB_GROUP = 1,  // "QQ群相册"
    QQ_SUB_TWEIBO = 2, // "腾讯微博相册"
};

struct ST_SITEMATCH {
    int nSite;      // entry to select in the site combo (may be -1: the current selection)
    int nQQSubType; // only when nSite is 0: QQ_SUB_GROUP or QQ_SUB_TWEIBO to select; else NONE
};

// Classifies an address. nCurSel is the site combo's current selection (may be -1) and is the
// result when no service matches. std::nullopt when the text holds neither "http://" nor
// "https://": then nothing at all is to be changed.
std::optional<ST_SITEMATCH> SiteFromAddress(std::u16string_view strAddress, int nCurSel);
