// The merchant's pages: one folder's files, read when asked for.
#include "sandbox/ShopPages.h"

#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>

#include "crypto/MPIMask.h"

namespace sandbox {

namespace {

constexpr const char kPrefix[] = "/shop/";
// Larger files are not pages of a checkout.
constexpr std::streamoff kMaxPageBytes = 4 * 1024 * 1024;

bool PlainName(const std::string& name) {
    if (name.empty() || name[0] == '.') return false;
    for (char c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                  c == '-' || c == '_';
        if (!ok) return false;
    }
    return true;
}

HttpResponse NotFound() {
    HttpResponse r;
    r.status = 404;
    r.body = "<html><head><title>404</title></head><body>Not Found</body></html>";
    return r;
}

}  // namespace

std::string ShopContentType(const std::string& name) {
    size_t dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (ext == "html" || ext == "htm") return "text/html; charset=utf-8";
    if (ext == "js") return "text/javascript; charset=utf-8";
    if (ext == "css") return "text/css; charset=utf-8";
    if (ext == "png") return "image/png";
    if (ext == "svg") return "image/svg+xml";
    return "";
}

void ServeShopPages(WebServer& server, const std::string& dir, std::function<void(const std::string&)> log) {
    server.Route(kPrefix, [dir, log](const HttpRequest& req) {
        auto serve = [&]() {
            std::string name = req.Path().substr(sizeof(kPrefix) - 1);
            std::string type = ShopContentType(name);
            if (!PlainName(name) || type.empty()) return NotFound();
            std::ifstream in(dir + "/" + name, std::ios::binary);
            if (!in) return NotFound();
            in.seekg(0, std::ios::end);
            std::streamoff size = in.tellg();
            if (size < 0 || size > kMaxPageBytes) return NotFound();
            in.seekg(0);
            HttpResponse r;
            r.contentType = type;
            r.body.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            return r;
        };
        HttpResponse r = serve();
        if (log) log(MPIMaskSecrets(req.method + " " + req.target + " " + std::to_string(r.status) + " shop page"));
        return r;
    });
}

}  // namespace sandbox
