// Scripted HTTP peers on loopback: read one request as a server sees it,
// answer with exactly the bytes a test gives (well-formed or not).
#pragma once

#include <string>

#include "tests/support/loopback.h"

namespace httptest {

// True once `data` holds a whole request: a header block ended by an empty
// line and as many body bytes as its Content-Length (any letter case) says.
bool RequestComplete(const std::string& data);

// Reads one request (bounded by the time); returns what arrived.
std::string ReadRequest(loopback::Connection& c, int timeoutMs = 10000);

// A well-formed response with the status, the body and its Content-Length.
std::string Response(int status, const std::string& body);

// A handler that reads one request, sends `reply` and closes.
loopback::Server::Handler Reply(const std::string& reply);

// A handler that reads one request and sends nothing until the peer closes
// (or the time passes).
loopback::Server::Handler Silence(int timeoutMs = 60000);

// The value of a header in a request or response (first match, any letter
// case), empty when absent.
std::string HeaderValue(const std::string& message, const std::string& name);

}  // namespace httptest
