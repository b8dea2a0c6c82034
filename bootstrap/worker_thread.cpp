#include "bootstrap/worker_thread.h"

#include "app/constants.h"
#include "bootstrap/bootstrap_sequence.h"

DWORD WINAPI bootstrapThreadProc(LPVOID) {
    BootstrapConfig config;
    config.gameDirectory = kGameDirectory;
    config.updateServers.assign(kUpdateServers, kUpdateServers + kUpdateServerCount);
    runBootstrapSequence(config, realBootstrapOperations());
    return 0;
}
