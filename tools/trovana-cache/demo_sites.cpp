// SPDX-License-Identifier: GPL-3.0-or-later
#include "demo_sites.h"

#include <cstdio>

namespace trovana::cli {

namespace {

using enum HeaderStyle;

std::string TwoDigits(int value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

Site WwwExample()
{
    return {"http",
            "www.example.com",
            "Example Company",
            "Apache/2.4.57 (Debian)",
            {{"/"},
             {"/about/"},
             {"/about/team.html"},
             {"/about/history/1999.html"},
             {"/products/"},
             {"/products/widgets/blue-widget.html"},
             {"/products/widgets/red-widget.html"},
             {"/products/gadgets/pocket-gadget.html"},
             {"/contact.html"},
             {"/css/site.css"},
             {"/css/print.css"},
             {"/js/site.js"},
             {"/js/vendor/menu.min.js"},
             {"/images/logo.png"},
             {"/images/banner.jpg"},
             {"/images/icons/home.gif"},
             {"/images/icons/mail.gif"},
             {"/images/products/blue-widget.jpg"},
             {"/images/products/red-widget.jpg"},
             {"/sitemap.xml"},
             {"/robots.txt"},
             {"/old-page.html", Full, "301 Moved Permanently", "http://www.example.com/about/"}}};
}

Site NewsExample()
{
    Site site{"http", "news.example.org", "Example News", "nginx/1.22.1", {{"/"}, {"/world/"}, {"/sport/"}}};
    const char* slugs[] = {"storm-warning-for-the-coast", "harbour-festival-opens",   "new-train-schedule",
                           "museum-returns-old-photos",   "council-plans-new-bridge", "market-prices-rise",
                           "library-opens-late",          "summer-season-tickets"};
    int day = 13;
    for (const char* slug : slugs) {
        site.resources.push_back({"/2024/05/" + TwoDigits(day) + "/" + slug + ".html"});
        site.resources.push_back({"/media/2024/05/" + std::string(slug) + ".jpg"});
        --day;
    }
    for (const char* path : {"/static/css/news.css", "/static/js/news.js", "/rss/world.xml", "/rss/sport.xml"}) {
        site.resources.push_back({path});
    }
    site.resources.push_back({"/live/ticker", Full, "204 No Content"});
    return site;
}

Site ShopExample()
{
    Site site{"https", "shop.example.net", "Example Shop", "nginx/1.24.0", {{"/"}, {"/catalog/shoes/"}}};
    for (int id = 1021; id <= 1026; ++id) {
        site.resources.push_back({"/catalog/shoes/product.php?id=" + std::to_string(id)});
        site.resources.push_back({"/img/products/" + std::to_string(id) + "-thumb.jpg"});
    }
    site.resources.push_back({"/assets/shop.css"});
    site.resources.push_back({"/assets/shop.js"});
    site.resources.push_back({"/cart/"});
    site.resources.push_back({"/cart/add?item=1021", Full, "302 Found", "https://shop.example.net/cart/"});
    site.resources.push_back({"/api/cart.json"});
    return site;
}

Site CdnExample()
{
    return {"http",
            "cdn.example.net",
            "",
            "cloudflare",
            {{"/assets/v3/css/base.css"},
             {"/assets/v3/css/grid.css", NoContentType},
             {"/assets/v3/js/bundle.js"},
             {"/assets/v3/js/polyfills.js", NoContentType},
             {"/assets/v3/img/sprite.png", NoContentType},
             {"/assets/v3/img/spinner.gif", NoContentType},
             {"/assets/v3/img/bg-header.jpg"},
             {"/assets/v3/fonts/LICENSE.txt", NoContentType}}};
}

Site BlogExample()
{
    Site site{
        "http",
        "blog.example.com",
        "A Garden Blog",
        "Apache/2.4.57 (Debian)",
        {{"/"}, {"/posts/2023/11/hello-world/"}, {"/posts/2024/01/winter-photos/"}, {"/posts/2024/03/spring-garden/"}}};
    for (int i = 1; i <= 4; ++i) {
        site.resources.push_back({"/wp-content/uploads/2024/01/winter-" + std::to_string(i) + ".jpg"});
    }
    for (int i = 1; i <= 3; ++i) {
        site.resources.push_back({"/wp-content/uploads/2024/03/garden-" + std::to_string(i) + ".jpg"});
    }
    site.resources.push_back({"/wp-content/themes/plain/style.css"});
    site.resources.push_back({"/wp-includes/js/comment-reply.min.js"});
    site.resources.push_back({"/feed/atom.xml"});
    return site;
}

Site DocsExample()
{
    return {"https",
            "docs.example.com",
            "Example Docs",
            "Microsoft-IIS/10.0",
            {{"/"},
             {"/manuals/v2/"},
             {"/manuals/v2/install.html"},
             {"/manuals/v2/usage/advanced.html"},
             {"/manuals/v2/guide.pdf", Full, "", "", true},
             {"/manuals/v2/img/diagram.png"},
             {"/manuals/v2/img/screenshot.png"},
             {"/api/reference.xml"},
             {"/robots.txt", None}}};
}

Site GalleryExample()
{
    Site site{"http", "images.example.org", "Spring Gallery", "nginx/1.22.1", {{"/gallery/2024/spring/"}}};
    for (int i = 1; i <= 12; ++i) {
        const std::string name = "img_00" + TwoDigits(i);
        site.resources.push_back({"/gallery/2024/spring/" + name + ".jpg"});
        site.resources.push_back({"/gallery/2024/spring/thumbs/" + name + ".png", i % 2 ? Full : NoContentType});
    }
    return site;
}

Site ForumExample()
{
    Site site{"http",
              "forum.example.com",
              "Example Forum",
              "Apache/2.4.41 (Ubuntu)",
              {{"/index.php"}, {"/viewforum.php?f=3"}}};
    for (int topic = 1201; topic <= 1206; ++topic) {
        site.resources.push_back({"/viewtopic.php?t=" + std::to_string(topic)});
    }
    for (const char* path : {"/styles/prosilver/theme/stylesheet.css", "/styles/prosilver/template/forum_fn.js",
                             "/styles/prosilver/imageset/icon_topic.gif", "/images/smilies/icon_smile.gif",
                             "/images/smilies/icon_wink.gif", "/images/smilies/icon_sad.gif"}) {
        site.resources.push_back({path});
    }
    return site;
}

Site MapsExample()
{
    Site site{"https", "maps.example.org", "Example Maps", "nginx/1.22.1", {{"/"}, {"/js/maps.js"}, {"/css/maps.css"}}};
    for (int x = 2047; x <= 2049; ++x) {
        for (int y = 1360; y <= 1362; ++y) {
            site.resources.push_back({"/tiles/12/" + std::to_string(x) + "/" + std::to_string(y) + ".png",
                                      (x + y) % 3 == 0 ? NoContentType : Full});
        }
    }
    return site;
}

Site ApiExample()
{
    return {"https",
            "api.example.net",
            "",
            "nginx/1.24.0",
            {{"/v1/status.json"},
             {"/v1/weather.json?city=Oslo"},
             {"/v1/weather.json?city=Lisbon"},
             {"/v1/config.xml", None},
             {"/v1/ping", Full, "204 No Content"}}};
}

Site AdsExample()
{
    return {"http",
            "ads.example.com",
            "",
            "cloudflare",
            {{"/track/pixel.gif?cb=1715512400", NoContentType},
             {"/track/pixel.gif?cb=1715598800", NoContentType},
             {"/track/pixel.gif?cb=1715676300", NoContentType},
             {"/serve/banner-468x60.gif"},
             {"/serve/banner-300x250.jpg"},
             {"/js/ads.js"}}};
}

}  // namespace

std::vector<Site> DemoSites()
{
    return {WwwExample(),     NewsExample(),  ShopExample(), CdnExample(), BlogExample(), DocsExample(),
            GalleryExample(), ForumExample(), MapsExample(), ApiExample(), AdsExample()};
}

std::vector<CookieJar> DemoCookieJars()
{
    return {
        {"www.example.com/", {{"prefs", "lang=en&theme=light"}, {"visitor", "v1-8f3a2c91d04b"}}},
        {"example.org/", {{"consent", "yes"}}},
        {"news.example.org/", {{"region", "north"}, {"session", "a81c0f9e6b2d4c37"}}},
        {"shop.example.net/", {{"cart_id", "c-20240514-7731"}, {"currency", "EUR"}}},
        {"shop.example.net/cart/", {{"checkout_step", "2"}}},
        {"forum.example.com/",
         {{"phpbb3_x7k2_u", "2"}, {"phpbb3_x7k2_k", ""}, {"phpbb3_x7k2_sid", "5d2f8e1a9c0b7e63a4f1d2c3b4a59687"}}},
        {"ads.example.com/", {{"uid", "0c55e7a1b9f2"}, {"seg", "12,44,87"}}},
        {"blog.example.com/", {{"comment_author", "Trovana Reader"}}},
    };
}

std::vector<std::string> DemoExtraVisits(std::string_view user)
{
    return {"http://search.example.com/search?q=weather+oslo", "http://search.example.com/search?q=blue+widget",
            "http://search.example.com/search?q=spring+garden+photos", "https://mail.example.com/inbox",
            "file:///C:/users/" + std::string(user) + "/Documents/notes.html"};
}

}  // namespace trovana::cli
