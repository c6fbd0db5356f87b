#pragma once
// Version numbers: four signed components, -1 for a component that is missing.

#include <array>
#include <string>

using VersionNumbers = std::array<int, 4>;

// The add-in's own product version, from "\StringFileInfo\040904b0\ProductVersion" of its
// version resource ("0, 9, 28, 0"); -1 for every component that cannot be read.
VersionNumbers getPluginVersion();

// Splits a version text at `separator` into up to four decimal numbers; a component the text
// does not have leaves its target unchanged.
void parseVersion(const std::wstring& text, VersionNumbers& numbers, wchar_t separator = L'.');

// "%d.%d.%d.%d"
std::wstring formatVersion(int major, int minor, int build, int revision);
inline std::wstring formatVersion(const VersionNumbers& v) { return formatVersion(v[0], v[1], v[2], v[3]); }
