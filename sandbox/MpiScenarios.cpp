// The test cards' replies and result pages, and the report server.
#include <cstdio>
#include <string>
#include <vector>

#include "crypto/MPIMask.h"
#include "crypto/MPISeal.h"
#include "sandbox/MpiSandbox.h"

namespace sandbox {

namespace {

constexpr const char* kCavv = "AAABBJAgdQAAAAAAAAAAAAAAAAA=";

// The form's values as sent: the report server reads the plain form the way
// the enrollment server does, split at "&", then at the first "=".
std::string RawField(const std::string& body, const std::string& name) {
    size_t i = 0;
    while (i < body.size()) {
        size_t amp = body.find('&', i);
        if (amp == std::string::npos) amp = body.size();
        std::string part = body.substr(i, amp - i);
        size_t eq = part.find('=');
        if (part.substr(0, eq) == name) return eq == std::string::npos ? "" : part.substr(eq + 1);
        i = amp + 1;
    }
    return "";
}

}  // namespace

HttpResponse MpiSandbox::CardEnrollment(const TestCard& card) {
    HttpResponse r;
    std::string md;
    {
        std::lock_guard<std::mutex> guard(lock_);
        md = std::string("md-") + card.name + "-" + std::to_string(++serial_);
        mdCards_[md] = &card;
    }
    std::string fields = std::string(card.code) + "|" + card.message + "|eJzzSM3JyVcozy/KSQEAGgQEXQ==|" + AcsUrl() + "|" +
                         md + "|" + TermUrl();
    switch (card.enroll) {
        case EnrollBehaviour::kReply:
            r.body = "<html><head><title>MPI</title></head><body>" + fields + "</body></html>";
            break;
        case EnrollBehaviour::kLate:
            r.body = "<html><head><title>MPI</title></head><body>" + fields + "</body></html>";
            r.delayMs = kLateReplyMs;
            break;
        case EnrollBehaviour::kHttpError:
            r.status = 500;
            r.body = "<html><head><title>500</title></head><body>Internal Server Error</body></html>";
            break;
        case EnrollBehaviour::kClose:
            r.close = true;
            break;
        case EnrollBehaviour::kBrokenBody:
            r.body = "<html><head><title>MPI</title></head><bdy>" + fields + "</bdy></html>";
            break;
    }
    return r;
}

ResultPage MpiSandbox::CardResult(const TestCard& card, const std::string& md, const std::string& password) const {
    ResultPage page;
    if (card.result == ResultBehaviour::kNoRecord) {
        page.raw = "<html><head><title>3-D Secure result</title></head><body><p>Authentication finished.</p></body></html>";
        return page;
    }
    // The page reports the card number masked, as a result page shown to the
    // cardholder would.
    std::string pan = MPIMaskSecrets(card.pan);
    bool accepted = card.result == ResultBehaviour::kByPassword && password == kTestCardPassword;
    if (card.result == ResultBehaviour::kAttempted) {
        page.values = {"A", "Attempted", kCavv, md, "06", "2", pan};
        page.json = "{\"status\":\"A\",\"eci\":\"06\"}";
    } else if (accepted) {
        page.values = {"Y", "Authenticated", kCavv, md, "05", "2", pan};
        page.json = "{\"status\":\"Y\",\"eci\":\"05\"}";
    } else {
        page.values = {"N", "Not authenticated", "none", md, "07", "", pan};
        page.json = "{\"status\":\"N\",\"eci\":\"07\"}";
    }
    return page;
}

namespace {

// How much of each report parameter a request line shows.
constexpr size_t kLoggedParamChars = 200;

// A report parameter for the request line: masked, cut, quoted, with
// quotes, backslashes and control characters escaped.
std::string LoggedParam(const std::string& value) {
    std::string masked = MPIMaskSecrets(value);
    std::string out = "\"";
    for (size_t i = 0; i < masked.size() && i < kLoggedParamChars; ++i) {
        unsigned char c = static_cast<unsigned char>(masked[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof(hex), "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += "\"";
    if (masked.size() > kLoggedParamChars) out += "(+" + std::to_string(masked.size() - kLoggedParamChars) + " bytes)";
    return out;
}

}  // namespace

HttpResponse MpiSandbox::ReportPost(const HttpRequest& req) {
    Report report;
    report.body = req.body;
    const char* names[3] = {"data1", "data2", "data3"};
    for (int i = 0; i < 3; ++i) {
        std::string value = RawField(req.body, names[i]), text, error;
        report.sealed[i] = !value.empty() && MPIOpenSealedParam(value.data(), value.size(), &text, &error);
        report.data[i] = report.sealed[i] ? text : value;
    }
    int status = 200;
    {
        std::lock_guard<std::mutex> guard(lock_);
        reports_.push_back(report);
        if (!reportStatuses_.empty()) {
            status = reportStatuses_.front();
            reportStatuses_.erase(reportStatuses_.begin());
        }
    }
    HttpResponse r;
    r.status = status;
    r.body = status == 200 ? "<html><body>OK</body></html>" : "<html><body>Report refused</body></html>";
    // The parameters as opened, each masked before it is cut to its first
    // kLoggedParamChars characters (so that no part of a card number is
    // left in clear by the cut), blanks and control characters escaped.
    std::string detail =
        std::string("report ") + (report.sealed[0] || report.sealed[1] || report.sealed[2] ? "sealed" : "plain");
    for (int i = 0; i < 3; ++i) detail += std::string(" ") + names[i] + "=" + LoggedParam(report.data[i]);
    Note(req, r, detail);
    return r;
}

}  // namespace sandbox
