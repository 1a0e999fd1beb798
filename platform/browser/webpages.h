// The pages the browser makes itself.
#pragma once

#include <glib.h>

#include <string>

namespace afxbrowser {

// A page (windows-1252) whose script fills a form with the decoded fields of
// the application/x-www-form-urlencoded body and posts it to the action.
std::string HelperPage(const std::string& actionUtf8, const std::string& body);

// The page shown when `uri` cannot be reached, with the toolkit's reason.
std::string ErrorPageHtml(const char* uri, const GError* error);

}  // namespace afxbrowser
