#pragma once
// How the starter and the publishing tool name themselves to the update servers.

#define MORVANTA_USER_AGENT "Morvanta/1.0"

inline constexpr const char* kUserAgent = MORVANTA_USER_AGENT;
inline constexpr const wchar_t* kUserAgentWide = L"" MORVANTA_USER_AGENT;
