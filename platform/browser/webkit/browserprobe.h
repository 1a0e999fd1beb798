// Measurement hooks of the browser control: a function told of every page
// whose load completed in any browser control (the top document, the layer's
// helper pages left out), as the load finishes and before the control reads
// the document. For benchmarks; not used by the module.
#pragma once

#include <functional>

namespace afxbrowser {

// Called on the user-interface thread with the page's address (UTF-8).
// An empty function removes the observer.
void SetLoadObserver(std::function<void(const char* urlUtf8)> observer);

}  // namespace afxbrowser
