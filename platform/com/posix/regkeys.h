// Small registry helpers of the COM layer's registration code: texts set
// only where they differ, key trees removed only where they exist. Paths
// are relative to a predefined key; texts are in the ANSI code page.
#pragma once

#include <string>

#include "platform/registry/registry.h"

namespace com_layer {

// Sets the text value (null or "" is the default value) of the key,
// creating the key first. A value that already holds the text is left as it
// is, so that a registry that may not be written but already holds every
// entry takes a registration again.
LONG RegSetKeyText(HKEY root, const std::string& subkey, LPCSTR valueName, const std::string& text);

// The text value of the key. ERROR_FILE_NOT_FOUND when there is none (or it
// is not a text).
LONG RegGetKeyText(HKEY root, const std::string& subkey, LPCSTR valueName, std::string* text);

// Removes the key with everything under it; a key that does not exist is
// already removed (ERROR_SUCCESS).
LONG RegRemoveTree(HKEY root, const std::string& subkey);

// Removes the key when it holds no subkeys; a key that still holds some, or
// does not exist, stays (ERROR_SUCCESS).
LONG RegRemoveKeyIfLeaf(HKEY root, const std::string& subkey);

}  // namespace com_layer
