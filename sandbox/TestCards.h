// The sandbox's test cards: one scenario per card number, kept as a table
// that the sandbox tool, the tests and the README read alike. A scenario
// says how the MPI server answers the enrollment request, how the issuer's
// ACS behaves, and what the result page reports.
#pragma once

#include <cstddef>
#include <string>

namespace sandbox {

// How the MPI server treats an enrollment request for the card.
enum class EnrollBehaviour {
    kReply,       // the six fields with the card's code and message
    kHttpError,   // status 500 with an error page that holds no fields
    kLate,        // the six fields, but only after kLateReplyMs
    kClose,       // the connection closes without an answer
    kBrokenBody,  // status 200 with a page that has no body tags
};

// What the result page reports.
enum class ResultBehaviour {
    kByPassword,  // "Y" for the right password, "N" for any other
    kAttempted,   // "A": the ACS posts on by itself, nothing to type
    kRefused,     // "N" whatever was typed
    kNoRecord,    // a page without the result record
};

struct TestCard {
    const char* pan;
    const char* name;     // short scenario name, as the tool prints it
    const char* summary;  // one line for the README's table
    EnrollBehaviour enroll;
    const char* code;     // enrollment result code ("0": enrolled)
    const char* message;
    ResultBehaviour result;
};

// The ACS accepts this password for the card that asks for one.
constexpr const char* kTestCardPassword = "1234";
// The late MPI answers after this long: beyond the control's 25-second
// default time-out.
constexpr int kLateReplyMs = 30000;

// The table, in the README's order.
const TestCard* TestCards(size_t* count);
// The card of that number, or nullptr.
const TestCard* FindTestCard(const std::string& pan);

}  // namespace sandbox
