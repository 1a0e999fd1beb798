// Masking of card numbers and cryptograms in lines meant for the debugger
// output or the trace sink. A line is masked by what its values are, never
// by where they stand, so a page or reply whose fields have shifted still
// shows neither in clear.
//
// Card number: a run of 12 to 19 digits, its digits possibly separated by
// single blanks or dashes ("4111 1111-1111 1111"), with no digit right
// before or after it. Every digit but the last four becomes "*"; blanks and
// dashes stay. A run joined by blanks or dashes that holds more than 19
// digits is masked the same way, since a card number may stand inside it
// beside another number ("2029-07 4111 1111 1111 1111"); 20 or more digits
// in a row without a separator are no card number and stay.
//
// Cryptogram (CAVV, AAV and the like, 20 bytes): 27 characters of the
// Base64 alphabet (A-Z, a-z, 0-9, "+", "/") in a row, with no further such
// character before or after them, followed by at most one "=" (the Base64
// form of 20 bytes, 28 characters with its padding); or exactly 40
// hexadecimal digits in a row (the hexadecimal form). Every character of it,
// its padding included, becomes "*".
//
// Masking keeps the length of the text; only those characters change.
#pragma once

#include <string>

// The text with every card number and cryptogram masked.
std::string MPIMaskSecrets(const std::string& text);

// Masks in place, within the NUL-terminated text.
void MPIMaskSecretsInPlace(char* pszText);

// The debugger output of the system's own code: the line, masked, through
// OutputDebugStringA.
void MPIDebugOutput(const char* pszLine);

// The trace sink behind CMPIUtil::WriteLog. There is no log file: a line
// goes nowhere, unless a test has installed a sink, which then receives it
// masked.
void MPITraceSink(const char* pszLine);
typedef void (*MPITraceSinkForTesting)(const char* pszLine);
void MPISetTraceSinkForTesting(MPITraceSinkForTesting sink);
