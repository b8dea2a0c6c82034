#include "bootstrap/java_launch.h"

#include "app/failure_notice.h"
#include "bootstrap/failure_messages.h"

// Placeholder until the launch lands: starting Java always fails.
void launchJavaLauncher(const std::wstring&, const std::wstring&, std::uint64_t) {
    showFailureNotice(kJavaStartFailedMessage);
}
