#include "net/retry_rules.h"

#include "base/text.h"

bool isRetriedStatus(unsigned status) { return status == 408 || status == 429 || (status >= 500 && status <= 599); }

namespace {

// What Retry-After asks, in milliseconds; 0 when it asks nothing readable.
std::uint64_t askedPauseMs(const ResponseHeaders& answer) {
    std::uint64_t seconds = 0;
    if (parseDecimal(answer.retryAfter, seconds)) return seconds > 1000000 ? 1000000000 : seconds * 1000;
    std::uint64_t until = 0, now = 0;
    if (parseHttpDate(answer.retryAfter, until) && parseHttpDate(answer.date, now) && until > now)
        return (until - now > 1000000 ? 1000000 : until - now) * 1000;
    return 0;
}

}  // namespace

std::uint32_t retryPauseMs(int retry, double jitter, const ResponseHeaders& answer) {
    if (retry < 0) retry = 0;
    if (retry >= kRetryCount) retry = kRetryCount - 1;
    if (jitter < -1) jitter = -1;
    if (jitter > 1) jitter = 1;
    const double base = kRetryPausesMs[retry] * (1.0 + jitter * kRetryJitter);
    std::uint64_t pause = static_cast<std::uint64_t>(base + 0.5);
    std::uint64_t asked = askedPauseMs(answer);
    if (asked > kRetryAfterLimitMs) asked = kRetryAfterLimitMs;
    return static_cast<std::uint32_t>(asked > pause ? asked : pause);
}
