#pragma once
// What the add-in may hand to the Windows shell.

#include <string_view>

namespace ShellLaunch {

// An http or https address (the scheme in any letter case). Addresses that come from the
// network are opened only when they are: another scheme would let a configuration document
// start a program or open a local file.
bool isWebAddress(std::wstring_view address);

// A command-line argument that stands as one word without quoting: not empty, and without white
// space, double quotes or control characters, any of which would split it or smuggle in further
// arguments.
bool isPlainArgument(std::wstring_view text);

} // namespace ShellLaunch
