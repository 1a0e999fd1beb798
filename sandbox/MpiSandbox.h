// The remote parties of an authentication, on 127.0.0.1: the MPI service
// (wait page, enrollment server, result page), an issuer's ACS and a report
// server. Each request is recorded so that a test or a demonstration can see
// what the control sent. With the test cards switched on, the card number of
// an enrollment request picks the scenario (sandbox/TestCards.h); without
// them, or for another card, the replies set here are sent.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "sandbox/TestCards.h"
#include "sandbox/WebServer.h"

namespace sandbox {

using Form = std::vector<std::pair<std::string, std::string>>;

// One enrollment request as the MPI server read it.
struct EnrollmentRequest {
    std::string body;   // as received
    bool sealed = false;
    std::string error;  // why a sealed parameter could not be opened
    // The fields by name: mall_id, mall_name, mall_url, cardnum, expiry_year,
    // expiry_month, installment, totalprice, currency, desc, ExtraParams.
    Form fields;
    size_t fieldCount = 0;  // fields in the sealed list (11 when well formed)
};

// How the MPI server answers an enrollment request.
struct EnrollmentReply {
    std::string code = "0";  // "0": enrolled; anything else: refused
    std::string message = "Enrolled";
    std::string paReq = "eJzzSM3JyVcozy/KSQEAGgQEXQ==";
    std::string md = "md-0001";
    std::string raw;         // when not empty, sent instead of the six fields
    int status = 200;
    int delayMs = 0;
    bool silent = false;     // never answers
};

// The record and JSON object of the result page.
struct ResultPage {
    std::vector<std::string> values = {"0", "Authenticated", "AAABBJAgdQAAAAAAAAAAAAAAAAA=", "md-0001", "05", "2",
                                       "4111111111111111"};
    std::string json;  // appended after the record when not empty
    std::string raw;   // when not empty, the whole page
    std::string contentType = "text/html; charset=windows-1252";
};

// One report as the report server read it: the three parameters, each
// opened when it was sealed.
struct Report {
    std::string body;  // as received
    std::string data[3];
    bool sealed[3] = {false, false, false};
};

class MpiSandbox {
public:
    MpiSandbox();
    // On the given port (0: a free one); Server().Port() is 0 when the port
    // cannot be had.
    explicit MpiSandbox(unsigned short port);

    std::string WaitUrl() const { return server_.Url("/VemoMPI/Wait.html"); }
    std::string EnrollUrl() const { return server_.Url("/mpi/enroll"); }
    std::string AcsUrl() const { return server_.Url("/acs/auth"); }
    std::string TermUrl() const { return server_.Url("/MPI/VerifyPARes"); }
    std::string ReportUrl() const { return server_.Url("/report"); }

    // The card number of an enrollment request picks its scenario.
    void UseTestCards(bool on);
    // The report server answers with these statuses in turn, then with 200.
    void SetReportStatuses(const std::vector<int>& statuses);
    // Receives one line for every request served, card numbers and
    // cryptograms masked. Called on the server's handler threads.
    void SetRequestLog(std::function<void(const std::string&)> log);

    void SetEnrollmentReply(const EnrollmentReply& reply);
    // The ACS page posts on to the term address by itself after it loaded
    // (for unattended runs); otherwise it waits for the cardholder's click.
    void SetAcsAutoSubmit(bool on);
    // An ACS page that posts on by itself first shows "Processing..." for
    // this long, so that a person (or a screenshot) sees the issuer's page;
    // 0 posts at once.
    void SetAcsAutoSubmitPause(int ms);
    static constexpr int kDefaultAcsPauseMs = 1000;
    void SetResultPage(const ResultPage& page);
    // The address the enrollment reply names as the ACS (default: ours).
    void SetAcsUrlInReply(const std::string& url);

    std::vector<EnrollmentRequest> Enrollments() const;
    std::vector<Form> AcsPosts() const;
    std::vector<Form> TermPosts() const;
    std::vector<Report> Reports() const;
    WebServer& Server() { return server_; }

private:
    HttpResponse Enroll(const HttpRequest& req);
    HttpResponse Acs(const HttpRequest& req);
    HttpResponse Result(const HttpRequest& req);
    HttpResponse ReportPost(const HttpRequest& req);
    void Route(const std::string& prefix, HttpResponse (MpiSandbox::*handler)(const HttpRequest&));
    void Note(const HttpRequest& req, const HttpResponse& resp, const std::string& detail);
    // The card a reply's merchant data was made for, or nullptr.
    const TestCard* CardOfMd(const std::string& md) const;
    HttpResponse CardEnrollment(const TestCard& card);
    ResultPage CardResult(const TestCard& card, const std::string& md, const std::string& password) const;

    mutable std::mutex lock_;
    EnrollmentReply reply_;
    ResultPage result_;
    bool autoSubmit_ = false;
    int autoSubmitPauseMs_ = kDefaultAcsPauseMs;
    std::string acsInReply_;
    std::vector<EnrollmentRequest> enrollments_;
    std::vector<Form> acsPosts_, termPosts_;
    bool cards_ = false;
    unsigned serial_ = 0;
    std::map<std::string, const TestCard*> mdCards_;
    std::vector<int> reportStatuses_;
    std::vector<Report> reports_;
    std::function<void(const std::string&)> log_;
    WebServer server_;  // last: it stops (and its handlers end) before the rest goes
};

}  // namespace sandbox
