// SPDX-License-Identifier: GPL-3.0-or-later
#include "demo_content.h"

#include <array>
#include <cctype>
#include <chrono>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "demo_time.h"

namespace trovana::cli {

namespace {

const std::vector<std::string> kWords = {
    "weather",  "coast",    "market", "river",   "garden", "station",     "winter",       "summer",
    "city",     "council",  "report", "season",  "ticket", "harbour",     "museum",       "library",
    "bridge",   "festival", "local",  "new",     "old",    "quiet",       "busy",         "bright",
    "early",    "late",     "small",  "large",   "opens",  "closes",      "brings",       "shows",
    "expects",  "plans",    "visits", "returns", "the",    "a",           "of",           "for",
    "with",     "near",     "after",  "before",  "and",    "caf\xC3\xA9", "na\xC3\xAFve", "train",
    "schedule", "price",    "review", "guide",   "photo",  "update"};

std::string Sentence(DemoRandom& random)
{
    std::string sentence;
    const int words = random.Between(6, 14);
    for (int i = 0; i < words; ++i) {
        std::string word = random.Pick(kWords);
        if (i == 0) {
            word[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
        } else {
            sentence += ' ';
        }
        sentence += word;
    }
    return sentence + '.';
}

std::string Paragraph(DemoRandom& random)
{
    std::string text;
    const int sentences = random.Between(2, 5);
    for (int i = 0; i < sentences; ++i) {
        if (i > 0) {
            text += ' ';
        }
        text += Sentence(random);
    }
    return text;
}

std::string EscapeHtml(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string Colour(DemoRandom& random)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", static_cast<unsigned>(random.Next() & 0xFFFFFF));
    return text;
}

bool EndsWith(std::string_view text, std::string_view end)
{
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::string RssFeed(const std::vector<std::string>& pageUrls, int64_t unixTime)
{
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rss version=\"2.0\">\n<channel>\n"
        "<title>Latest</title>\n";
    int64_t when = unixTime;
    for (const std::string& url : pageUrls) {
        const std::string path = url.substr(url.find('/', url.find("//") + 2));
        xml += "<item>\n<title>" + EscapeHtml(TitleFromPath(path)) + "</title>\n<link>" + EscapeHtml(url) +
               "</link>\n<pubDate>" + HttpDate(when) + "</pubDate>\n</item>\n";
        when -= 5400;
    }
    return xml + "</channel>\n</rss>\n";
}

std::string SiteMap(const std::vector<std::string>& pageUrls)
{
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
    for (const std::string& url : pageUrls) {
        xml += "  <url><loc>" + EscapeHtml(url) + "</loc></url>\n";
    }
    return xml + "</urlset>\n";
}

std::string PdfText(std::string_view text)
{
    std::string out = "(";
    for (char c : text) {
        if (c == '(' || c == ')' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + ")";
}

}  // namespace

DemoKind KindFromPath(std::string_view path)
{
    path = path.substr(0, path.find('?'));
    struct Ending {
        std::string_view ending;
        DemoKind kind;
    };
    static constexpr std::array<Ending, 9> endings = {{{".css", DemoKind::StyleSheet},
                                                       {".js", DemoKind::Script},
                                                       {".xml", DemoKind::Xml},
                                                       {".json", DemoKind::Json},
                                                       {".pdf", DemoKind::Pdf},
                                                       {".png", DemoKind::Png},
                                                       {".gif", DemoKind::Gif},
                                                       {".jpg", DemoKind::Jpeg},
                                                       {".txt", DemoKind::Text}}};
    for (const Ending& e : endings) {
        if (EndsWith(path, e.ending)) {
            return e.kind;
        }
    }
    return DemoKind::Html;
}

std::string_view ContentType(DemoKind kind)
{
    switch (kind) {
    case DemoKind::Html: return "text/html; charset=utf-8";
    case DemoKind::StyleSheet: return "text/css";
    case DemoKind::Script: return "application/javascript";
    case DemoKind::Xml: return "text/xml; charset=utf-8";
    case DemoKind::Json: return "application/json";
    case DemoKind::Pdf: return "application/pdf";
    case DemoKind::Png: return "image/png";
    case DemoKind::Gif: return "image/gif";
    case DemoKind::Jpeg: return "image/jpeg";
    case DemoKind::Text: return "text/plain";
    default: return "";
    }
}

std::string_view FileExtension(DemoKind kind)
{
    switch (kind) {
    case DemoKind::Html: return "htm";
    case DemoKind::StyleSheet: return "css";
    case DemoKind::Script: return "js";
    case DemoKind::Xml: return "xml";
    case DemoKind::Json: return "json";
    case DemoKind::Pdf: return "pdf";
    case DemoKind::Png: return "png";
    case DemoKind::Gif: return "gif";
    case DemoKind::Jpeg: return "jpg";
    case DemoKind::Text: return "txt";
    case DemoKind::Cookie: return "txt";
    default: return "";
    }
}

std::string TitleFromPath(std::string_view path)
{
    const size_t query = path.find('?');
    std::string_view number;
    if (query != std::string_view::npos) {
        number = path.substr(path.rfind('=') + 1);
        path = path.substr(0, query);
    }
    while (!path.empty() && path.back() == '/') {
        path.remove_suffix(1);
    }
    std::string_view name = path.substr(path.rfind('/') + 1);
    name = name.substr(0, name.find('.'));
    if (name.empty() || name == "index") {
        return "Home";
    }
    std::string title;
    bool start = true;
    for (char c : name) {
        if (c == '-' || c == '_') {
            title += ' ';
            start = true;
        } else {
            title += start ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
            start = false;
        }
    }
    if (!number.empty()) {
        title += ' ';
        title += number;
    }
    return title;
}

std::string HtmlPage(std::string_view siteName, std::string_view title, const PageLinks& links, DemoRandom& random)
{
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                       EscapeHtml(title) + " - " + EscapeHtml(siteName) + "</title>\n";
    for (const std::string& url : links.styleSheets) {
        html += "<link rel=\"stylesheet\" href=\"" + EscapeHtml(url) + "\">\n";
    }
    for (const std::string& url : links.scripts) {
        html += "<script src=\"" + EscapeHtml(url) + "\"></script>\n";
    }
    html += "</head>\n<body>\n<div id=\"header\">" + EscapeHtml(siteName) + "</div>\n<ul id=\"nav\">\n";
    for (const std::string& url : links.pages) {
        const std::string path = url.substr(url.find('/', url.find("//") + 2));
        html += "<li><a href=\"" + EscapeHtml(url) + "\">" + EscapeHtml(TitleFromPath(path)) + "</a></li>\n";
    }
    html += "</ul>\n<h1>" + EscapeHtml(title) + "</h1>\n";
    const int paragraphs = random.Between(2, 6);
    for (int i = 0; i < paragraphs; ++i) {
        html += "<p>" + EscapeHtml(Paragraph(random)) + "</p>\n";
        if (static_cast<size_t>(i) < links.images.size()) {
            html += "<img src=\"" + EscapeHtml(links.images[static_cast<size_t>(i)]) + "\" alt=\"\">\n";
        }
    }
    html += "<div id=\"footer\">\xC2\xA9 2024 " + EscapeHtml(siteName) + "</div>\n</body>\n</html>\n";
    return html;
}

std::string StyleSheet(DemoRandom& random)
{
    static const std::vector<std::string> fonts = {"Georgia, serif", "Verdana, sans-serif", "Arial, sans-serif",
                                                   "\"Trebuchet MS\", sans-serif"};
    std::string css = "body {\n  margin: 0;\n  font-family: " + random.Pick(fonts) + ";\n  color: " + Colour(random) +
                      ";\n  background: " + Colour(random) + ";\n}\n";
    for (const char* selector : {"#header", "#nav li", "h1", "p", "#footer", "a:hover"}) {
        css += std::string(selector) + " {\n  color: " + Colour(random) +
               ";\n  padding: " + std::to_string(random.Between(0, 12)) + "px;\n}\n";
    }
    return css;
}

std::string Script(std::string_view name, DemoRandom& random)
{
    std::string base(name.substr(0, name.find('.')));
    for (char& c : base) {
        if (c == '-') {
            c = '_';
        }
    }
    std::string js = "/* " + std::string(name) + " */\n(function () {\n  'use strict';\n";
    const int functions = random.Between(2, 5);
    for (int i = 0; i < functions; ++i) {
        js += "  function " + base + "_step" + std::to_string(i) +
              "(element) {\n    element.style.opacity = " + std::to_string(random.Between(1, 9)) +
              " / 10;\n    return element.offsetHeight + " + std::to_string(random.Between(1, 500)) + ";\n  }\n";
    }
    js +=
        "  window.addEventListener('load', function () {\n    var items = document.querySelectorAll('#nav li');\n"
        "    for (var i = 0; i < items.length; i++) { " +
        base + "_step0(items[i]); }\n  });\n})();\n";
    return js;
}

std::string XmlDocument(std::string_view path, const std::vector<std::string>& pageUrls, int64_t unixTime)
{
    if (path.find("/rss/") != std::string_view::npos || path.find("/feed/") != std::string_view::npos) {
        return RssFeed(pageUrls, unixTime);
    }
    if (EndsWith(path, "sitemap.xml")) {
        return SiteMap(pageUrls);
    }
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<configuration>\n"
           "  <setting name=\"refresh\" value=\"3600\"/>\n  <setting name=\"region\" value=\"eu-north\"/>\n"
           "  <setting name=\"updated\" value=\"" +
           HttpDate(unixTime) + "\"/>\n</configuration>\n";
}

std::string JsonDocument(std::string_view path, DemoRandom& random)
{
    nlohmann::json document;
    const size_t city = path.find("city=");
    if (city != std::string_view::npos) {
        document = {{"city", std::string(path.substr(city + 5))},
                    {"temperature", random.Between(-50, 300) / 10.0},
                    {"wind", random.Between(0, 200) / 10.0},
                    {"forecast", {random.Pick(kWords), random.Pick(kWords), random.Pick(kWords)}}};
    } else if (path.find("cart") != std::string_view::npos) {
        document = {{"items", nlohmann::json::array()}, {"currency", "EUR"}};
        for (int i = random.Between(1, 4); i > 0; --i) {
            document["items"].push_back({{"id", random.Between(1000, 1100)}, {"quantity", random.Between(1, 3)}});
        }
    } else {
        document = {{"status", "ok"},
                    {"version", "1." + std::to_string(random.Between(0, 9))},
                    {"uptime", random.Between(1000, 999999)}};
    }
    return document.dump(2) + "\n";
}

std::string TextDocument(std::string_view path, DemoRandom& random)
{
    if (EndsWith(path, "robots.txt")) {
        return "User-agent: *\nDisallow: /admin/\nDisallow: /search\n\nSitemap: /sitemap.xml\n";
    }
    return Paragraph(random) + "\n\n" + Paragraph(random) + "\n";
}

std::string PdfDocument(std::string_view title, const std::vector<std::string>& lines)
{
    std::string contents = "BT\n/F1 20 Tf\n72 770 Td\n" + PdfText(title) + " Tj\n/F1 11 Tf\n0 -32 Td\n";
    for (const std::string& line : lines) {
        contents += PdfText(line) + " Tj\n0 -16 Td\n";
    }
    contents += "ET\n";

    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 4 0 R >> >> "
        "/Contents 5 0 R >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        "<< /Length " + std::to_string(contents.size()) + " >>\nstream\n" + contents + "endstream",
    };
    std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char line[24];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        pdf += line;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

std::string CookieFile(const std::vector<DemoCookie>& cookies)
{
    std::string file;
    for (const DemoCookie& c : cookies) {
        file += c.name + '\n' + c.value + '\n' + c.hostAndPath + '\n' + std::to_string(c.flags) + '\n' +
                std::to_string(c.expiry & 0xFFFFFFFFu) + '\n' + std::to_string(c.expiry >> 32) + '\n' +
                std::to_string(c.creation & 0xFFFFFFFFu) + '\n' + std::to_string(c.creation >> 32) + "\n*\n";
    }
    return file;
}

std::string ResponseHeader(std::string_view status, const HeaderFields& fields)
{
    std::string header = "HTTP/1.1 " + std::string(status) + "\r\n";
    for (const auto& [name, value] : fields) {
        header += name + ": " + value + "\r\n";
    }
    return header + "\r\n";
}

std::string HttpDate(int64_t unixSeconds)
{
    using namespace std::chrono;
    static constexpr std::array<const char*, 7> dayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr std::array<const char*, 12> monthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const sys_seconds time{seconds{unixSeconds}};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    char text[32];
    std::snprintf(text, sizeof text, "%s, %02u %s %04d %02d:%02d:%02d GMT", dayNames[weekday{day}.c_encoding()],
                  static_cast<unsigned>(date.day()), monthNames[static_cast<unsigned>(date.month()) - 1],
                  static_cast<int>(date.year()), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()), static_cast<int>(clock.seconds().count()));
    return text;
}

}  // namespace trovana::cli
