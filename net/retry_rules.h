#pragma once
// Whether a failed file request is asked again, and how long to wait first. Pure.

#include <cstdint>
#include <string>

#include "net/resume_rules.h"

// Attempts after the first: one pause each.
inline constexpr int kRetryCount = 3;
// The pauses before the second, third and fourth attempt, before jitter.
inline constexpr std::uint32_t kRetryPausesMs[kRetryCount] = {1000, 2000, 4000};
// Each pause is moved by up to this share either way, so clients cut off together
// do not all come back in the same second.
inline constexpr double kRetryJitter = 0.2;
// The longest Retry-After honoured: a start must not wait minutes on one server.
inline constexpr std::uint32_t kRetryAfterLimitMs = 10000;

// Statuses that may pass by themselves: a request time-out, too many requests, a
// server error. Every other status is the same on the next try.
bool isRetriedStatus(unsigned status);

// The pause before retry number `retry` (0 for the first): its base pause moved by
// `jitter` (-1 to 1) times kRetryJitter, and at least what the answer's Retry-After
// asks (seconds, or a date measured against the answer's Date), up to kRetryAfterLimitMs.
std::uint32_t retryPauseMs(int retry, double jitter, const ResponseHeaders& answer);
