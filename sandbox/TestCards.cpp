#include "sandbox/TestCards.h"

#include <iterator>

namespace sandbox {

namespace {

// Every number passes the Luhn check, as a checkout page's own check may ask.
const TestCard kCards[] = {
    {"4000000000000010", "enrolled", "enrolled; the ACS asks a password: 1234 gives Y, ECI 05, with a JSON object; any other N",
     EnrollBehaviour::kReply, "0", "Enrolled", ResultBehaviour::kByPassword},
    {"4000000000000028", "attempts", "attempts: the ACS page posts on by itself, A, ECI 06",
     EnrollBehaviour::kReply, "0", "Enrolled", ResultBehaviour::kAttempted},
    {"4000000000000036", "refused", "enrolled, but the issuer refuses whatever is typed: N, ECI 07",
     EnrollBehaviour::kReply, "0", "Enrolled", ResultBehaviour::kRefused},
    {"4000000000000044", "not-enrolled", "not enrolled: the MPI refuses with code 31 (GetPAReq2 gives 31)",
     EnrollBehaviour::kReply, "31", "Card not enrolled", ResultBehaviour::kRefused},
    {"4000000000000051", "mpi-error", "MPI error: status 500 with an error page of one field (11002 through WinINet, 11004 over the socket)",
     EnrollBehaviour::kHttpError, "", "", ResultBehaviour::kRefused},
    {"4000000000000069", "late", "the MPI answers after 30 s, beyond the time-out (11001)",
     EnrollBehaviour::kLate, "0", "Enrolled", ResultBehaviour::kAttempted},
    {"4000000000000077", "closed", "the MPI closes the connection without an answer (11002)",
     EnrollBehaviour::kClose, "", "", ResultBehaviour::kRefused},
    {"4000000000000085", "broken-body", "the reply's body is broken: no body tags (11003)",
     EnrollBehaviour::kBrokenBody, "", "", ResultBehaviour::kRefused},
    {"4000000000000093", "no-record", "enrolled, attempts, but the result page holds no record (12004)",
     EnrollBehaviour::kReply, "0", "Enrolled", ResultBehaviour::kNoRecord},
};

}  // namespace

const TestCard* TestCards(size_t* count) {
    *count = std::size(kCards);
    return kCards;
}

const TestCard* FindTestCard(const std::string& pan) {
    for (const TestCard& c : kCards)
        if (pan == c.pan) return &c;
    return nullptr;
}

}  // namespace sandbox
