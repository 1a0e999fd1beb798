// The pages and scripts the browser makes itself.
#pragma once

#include <glib.h>

#include <string>

namespace afxbrowser {

// The script world of the layer's own scripts, and the name of the message
// by which a frame reports its load from there.
extern const char* const kWorld;
extern const char* const kFrameMessage;
// window.external for page script: an inert object whose every member may
// be called and read.
extern const char* const kExternalScript;
// Reports a frame's load (run in kWorld).
extern const char* const kFrameScript;
// Reads the top document's HTML, text, title and address (run in kWorld).
extern const char* const kReadDocumentScript;
// The style sheet of a host that wants no scroll bars.
extern const char* const kNoScrollStyle;

// A page (windows-1252) whose script fills a form with the decoded fields of
// the application/x-www-form-urlencoded body and posts it to the action.
std::string HelperPage(const std::string& actionUtf8, const std::string& body);

// The page shown when `uri` cannot be reached, with the toolkit's reason.
std::string ErrorPageHtml(const char* uri, const GError* error);

}  // namespace afxbrowser
