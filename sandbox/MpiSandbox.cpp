#include "sandbox/MpiSandbox.h"

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

MpiSandbox::MpiSandbox() {
    server_.Route("/VemoMPI/Wait.html", [](const HttpRequest&) {
        HttpResponse r;
        r.body =
            "<html><head><title>Please wait</title></head><body style=\"font-family:sans-serif\">"
            "<p>Connecting to your card issuer&hellip;</p></body></html>";
        return r;
    });
    server_.Route("/mpi/enroll", [this](const HttpRequest& req) { return Enroll(req); });
    server_.Route("/acs/auth", [this](const HttpRequest& req) { return Acs(req); });
    server_.Route("/MPI/VerifyPARes", [this](const HttpRequest& req) { return Result(req); });
}

void MpiSandbox::SetEnrollmentReply(const EnrollmentReply& reply) {
    std::lock_guard<std::mutex> guard(lock_);
    reply_ = reply;
}

void MpiSandbox::SetAcsAutoSubmit(bool on) {
    std::lock_guard<std::mutex> guard(lock_);
    autoSubmit_ = on;
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
    {
        std::lock_guard<std::mutex> guard(lock_);
        enrollments_.push_back(e);
        reply = reply_;
        acs = acsInReply_.empty() ? AcsUrl() : acsInReply_;
    }
    HttpResponse r;
    r.status = reply.status;
    r.delayMs = reply.delayMs;
    r.silent = reply.silent;
    r.body = !reply.raw.empty() ? reply.raw
                                : "<html><head><title>MPI</title></head><body>" + reply.code + "|" + reply.message + "|" +
                                      reply.paReq + "|" + acs + "|" + reply.md + "|" + TermUrl() + "</body></html>";
    return r;
}

HttpResponse MpiSandbox::Acs(const HttpRequest& req) {
    Form form = DecodeForm(req.body);
    bool autoSubmit;
    {
        std::lock_guard<std::mutex> guard(lock_);
        acsPosts_.push_back(form);
        autoSubmit = autoSubmit_;
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
        std::string(autoSubmit ? "<script>window.onload = function () { document.getElementById('pa').submit(); };</script>" : "") +
        "</body></html>";
    return r;
}

HttpResponse MpiSandbox::Result(const HttpRequest& req) {
    ResultPage page;
    {
        std::lock_guard<std::mutex> guard(lock_);
        termPosts_.push_back(DecodeForm(req.body));
        page = result_;
    }
    HttpResponse r;
    r.contentType = page.contentType;
    if (!page.raw.empty()) {
        r.body = page.raw;
        return r;
    }
    std::string record;
    for (size_t i = 0; i < page.values.size(); ++i) record += (i ? ",'" : "'") + page.values[i] + "'";
    r.body = "<html><head><title>3-D Secure result</title></head><body><div id=\"result\">(" + record + ")</div>" +
             (page.json.empty() ? "" : "<pre>" + page.json + "</pre>") + "</body></html>";
    return r;
}

}  // namespace sandbox
