// The remote parties of an authentication, on 127.0.0.1: the MPI service
// (wait page, enrollment server, result page) and an issuer's ACS. Each
// request is recorded so that a test or a demonstration can see what the
// control sent.
#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

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

class MpiSandbox {
public:
    MpiSandbox();

    std::string WaitUrl() const { return server_.Url("/VemoMPI/Wait.html"); }
    std::string EnrollUrl() const { return server_.Url("/mpi/enroll"); }
    std::string AcsUrl() const { return server_.Url("/acs/auth"); }
    std::string TermUrl() const { return server_.Url("/MPI/VerifyPARes"); }

    void SetEnrollmentReply(const EnrollmentReply& reply);
    // The ACS page posts on to the term address by itself after it loaded
    // (for unattended runs); otherwise it waits for the cardholder's click.
    void SetAcsAutoSubmit(bool on);
    void SetResultPage(const ResultPage& page);
    // The address the enrollment reply names as the ACS (default: ours).
    void SetAcsUrlInReply(const std::string& url);

    std::vector<EnrollmentRequest> Enrollments() const;
    std::vector<Form> AcsPosts() const;
    std::vector<Form> TermPosts() const;
    WebServer& Server() { return server_; }

private:
    HttpResponse Enroll(const HttpRequest& req);
    HttpResponse Acs(const HttpRequest& req);
    HttpResponse Result(const HttpRequest& req);

    mutable std::mutex lock_;
    EnrollmentReply reply_;
    ResultPage result_;
    bool autoSubmit_ = false;
    std::string acsInReply_;
    std::vector<EnrollmentRequest> enrollments_;
    std::vector<Form> acsPosts_, termPosts_;
    WebServer server_;  // last: it stops (and its handlers end) before the rest goes
};

}  // namespace sandbox
