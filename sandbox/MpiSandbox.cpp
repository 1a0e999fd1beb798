#include "sandbox/MpiSandbox.h"

#include "crypto/MPIMask.h"
#include "crypto/MPISeal.h"

namespace sandbox {

namespace {

const char* const kSealedOrder[] = {"mall_id",     "mall_name",  "mall_url", "cardnum", "expiry_year", "expiry_month",
                                    "installment", "totalprice", "currency", "desc",    "ExtraParams"};

std::vector<std::string> SplitPipes(const std::string& s) {
    std::vector<std::string> out;
    size_t i = 0;
    for (;;) {
        size_t j = s.find('|', i);
        out.push_back(s.substr(i, j == std::string::npos ? std::string::npos : j - i));
        if (j == std::string::npos) break;
        i = j + 1;
    }
    return out;
}

// The plain form carries its values unescaped, so it is read the way a
// simple server reads it: split at "&", then at the first "=".
Form SplitPlainForm(const std::string& body) {
    Form out;
    size_t i = 0;
    while (i < body.size()) {
        size_t amp = body.find('&', i);
        if (amp == std::string::npos) amp = body.size();
        std::string part = body.substr(i, amp - i);
        size_t eq = part.find('=');
        out.emplace_back(part.substr(0, eq), eq == std::string::npos ? "" : part.substr(eq + 1));
        i = amp + 1;
    }
    return out;
}

}  // namespace

MpiSandbox::MpiSandbox() : MpiSandbox(0) {}

MpiSandbox::MpiSandbox(unsigned short port) : server_(WebServer::Handler(), port) {
    server_.Route("/VemoMPI/Wait.html", [this](const HttpRequest& req) {
        HttpResponse r;
        r.body =
            "<html><head><title>Please wait</title></head><body style=\"font-family:sans-serif\">"
            "<p>Connecting to your card issuer&hellip;</p></body></html>";
        Note(req, r, "wait page");
        return r;
    });
    Route("/mpi/enroll", &MpiSandbox::Enroll);
    Route("/acs/auth", &MpiSandbox::Acs);
    Route("/MPI/VerifyPARes", &MpiSandbox::Result);
    Route("/report", &MpiSandbox::ReportPost);
    server_.Route("", [this](const HttpRequest& req) {
        HttpResponse r;
        r.status = 404;
        r.body = "<html><body>Not Found</body></html>";
        Note(req, r, "");
        return r;
    });
}

void MpiSandbox::Route(const std::string& prefix, HttpResponse (MpiSandbox::*handler)(const HttpRequest&)) {
    server_.Route(prefix, [this, handler](const HttpRequest& req) { return (this->*handler)(req); });
}

void MpiSandbox::UseTestCards(bool on) {
    std::lock_guard<std::mutex> guard(lock_);
    cards_ = on;
}

void MpiSandbox::SetReportStatuses(const std::vector<int>& statuses) {
    std::lock_guard<std::mutex> guard(lock_);
    reportStatuses_ = statuses;
}

void MpiSandbox::SetRequestLog(std::function<void(const std::string&)> log) {
    std::lock_guard<std::mutex> guard(lock_);
    log_ = std::move(log);
}

std::vector<Report> MpiSandbox::Reports() const {
    std::lock_guard<std::mutex> guard(lock_);
    return reports_;
}

void MpiSandbox::Note(const HttpRequest& req, const HttpResponse& resp, const std::string& detail) {
    std::function<void(const std::string&)> log;
    {
        std::lock_guard<std::mutex> guard(lock_);
        log = log_;
    }
    if (!log) return;
    std::string line = req.method + " " + req.target + " ";
    if (resp.silent) line += "(silent)";
    else if (resp.close) line += "(closed)";
    else line += std::to_string(resp.status);
    if (resp.delayMs > 0) line += " after " + std::to_string(resp.delayMs) + " ms";
    if (!detail.empty()) line += " " + detail;
    log(MPIMaskSecrets(line));
}

const TestCard* MpiSandbox::CardOfMd(const std::string& md) const {
    auto it = mdCards_.find(md);
    return it == mdCards_.end() ? nullptr : it->second;
}

void MpiSandbox::SetEnrollmentReply(const EnrollmentReply& reply) {
    std::lock_guard<std::mutex> guard(lock_);
    reply_ = reply;
}

void MpiSandbox::SetAcsAutoSubmit(bool on) {
    std::lock_guard<std::mutex> guard(lock_);
    autoSubmit_ = on;
}

void MpiSandbox::SetAcsAutoSubmitPause(int ms) {
    std::lock_guard<std::mutex> guard(lock_);
    autoSubmitPauseMs_ = ms > 0 ? ms : 0;
}

void MpiSandbox::SetResultPage(const ResultPage& page) {
    std::lock_guard<std::mutex> guard(lock_);
    result_ = page;
}

void MpiSandbox::SetAcsUrlInReply(const std::string& url) {
    std::lock_guard<std::mutex> guard(lock_);
    acsInReply_ = url;
}

std::vector<EnrollmentRequest> MpiSandbox::Enrollments() const {
    std::lock_guard<std::mutex> guard(lock_);
    return enrollments_;
}

std::vector<Form> MpiSandbox::AcsPosts() const {
    std::lock_guard<std::mutex> guard(lock_);
    return acsPosts_;
}

std::vector<Form> MpiSandbox::TermPosts() const {
    std::lock_guard<std::mutex> guard(lock_);
    return termPosts_;
}

HttpResponse MpiSandbox::Enroll(const HttpRequest& req) {
    EnrollmentRequest e;
    e.body = req.body;
    if (req.body.rfind("data=", 0) == 0) {
        e.sealed = true;
        std::string list;
        if (MPIOpenSealedParam(req.body.data() + 5, req.body.size() - 5, &list, &e.error)) {
            std::vector<std::string> values = SplitPipes(list);
            e.fieldCount = values.size();
            for (size_t i = 0; i < values.size() && i < 11; ++i) e.fields.emplace_back(kSealedOrder[i], values[i]);
        }
    } else {
        e.fields = SplitPlainForm(req.body);
        e.fieldCount = e.fields.size();
    }
    EnrollmentReply reply;
    std::string acs;
    const TestCard* card = nullptr;
    std::string cardnum = FormValue(e.fields, "cardnum");
    {
        std::lock_guard<std::mutex> guard(lock_);
        enrollments_.push_back(e);
        reply = reply_;
        acs = acsInReply_.empty() ? AcsUrl() : acsInReply_;
        if (cards_) card = FindTestCard(cardnum);
    }
    std::string detail = std::string(e.sealed ? "sealed" : "plain") + (e.error.empty() ? "" : " (" + e.error + ")") +
                         " card " + (cardnum.empty() ? "-" : cardnum) + (card ? std::string(" ") + card->name : "");
    if (card) {
        HttpResponse r = CardEnrollment(*card);
        Note(req, r, detail);
        return r;
    }
    HttpResponse r;
    r.status = reply.status;
    r.delayMs = reply.delayMs;
    r.silent = reply.silent;
    r.body = !reply.raw.empty() ? reply.raw
                                : "<html><head><title>MPI</title></head><body>" + reply.code + "|" + reply.message + "|" +
                                      reply.paReq + "|" + acs + "|" + reply.md + "|" + TermUrl() + "</body></html>";
    Note(req, r, detail);
    return r;
}

HttpResponse MpiSandbox::Acs(const HttpRequest& req) {
    Form form = DecodeForm(req.body);
    bool autoSubmit;
    int pauseMs;
    const TestCard* card;
    {
        std::lock_guard<std::mutex> guard(lock_);
        acsPosts_.push_back(form);
        card = CardOfMd(FormValue(form, "MD"));
        autoSubmit = card ? card->result == ResultBehaviour::kAttempted || card->result == ResultBehaviour::kNoRecord
                          : autoSubmit_;
        pauseMs = autoSubmitPauseMs_;
    }
    std::string term = FormValue(form, "TermUrl");
    HttpResponse r;
    r.body =
        "<html><head><title>Issuer Authentication</title></head>"
        "<body style=\"font-family:sans-serif;margin:12px\">"
        "<h3>Verified by your card issuer</h3>"
        "<p>Merchant data: " + HtmlEscape(FormValue(form, "MD")) + "</p>"
        "<form id=\"pa\" method=\"POST\" action=\"" + HtmlEscape(term) + "\">"
        "<p>Password: <input type=\"password\" name=\"pw\" id=\"pw\"></p>"
        "<input type=\"hidden\" name=\"PaRes\" value=\"eJwzMDQwMjE1AAAGUgGT\">"
        "<input type=\"hidden\" name=\"MD\" value=\"" + HtmlEscape(FormValue(form, "MD")) + "\">"
        "<input type=\"submit\" id=\"go\" value=\"Submit\"></form>" +
        std::string(!autoSubmit ? ""
                    : pauseMs == 0
                        ? "<script>window.onload = function () { document.getElementById('pa').submit(); };</script>"
                        : "<p id=\"processing\"><b>Processing&hellip;</b></p><script>window.onload = function () { "
                          "setTimeout(function () { document.getElementById('pa').submit(); }, " +
                              std::to_string(pauseMs) + "); };</script>") +
        "</body></html>";
    Note(req, r, std::string("ACS") + (card ? std::string(" ") + card->name : "") + (autoSubmit ? " (posts on by itself)" : ""));
    return r;
}

HttpResponse MpiSandbox::Result(const HttpRequest& req) {
    ResultPage page;
    Form form = DecodeForm(req.body);
    const TestCard* card;
    {
        std::lock_guard<std::mutex> guard(lock_);
        termPosts_.push_back(form);
        page = result_;
        card = CardOfMd(FormValue(form, "MD"));
    }
    std::string detail = "result";
    if (card) {
        page = CardResult(*card, FormValue(form, "MD"), FormValue(form, "pw"));
        detail += std::string(" ") + card->name + (page.values.empty() ? "" : " " + page.values[0]);
    }
    HttpResponse r;
    r.contentType = page.contentType;
    if (!page.raw.empty()) {
        r.body = page.raw;
        Note(req, r, detail);
        return r;
    }
    std::string record;
    for (size_t i = 0; i < page.values.size(); ++i) record += (i ? ",'" : "'") + page.values[i] + "'";
    r.body = "<html><head><title>3-D Secure result</title></head><body><div id=\"result\">(" + record + ")</div>" +
             (page.json.empty() ? "" : "<pre>" + page.json + "</pre>") + "</body></html>";
    Note(req, r, detail);
    return r;
}

}  // namespace sandbox
