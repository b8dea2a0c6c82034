#pragma once
// Digests travel as text: compared without regard to letter case. Plain C++.

#include <string>

// An empty digest never matches, so a missing digest never passes for a checked one.
bool sameDigest(const std::string& computed, const std::string& expected);
