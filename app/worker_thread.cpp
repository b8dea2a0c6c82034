#include "app/worker_thread.h"

#include "app/constants.h"
#include "app/operations.h"
#include "bootstrap/bootstrap_sequence.h"
#include "bootstrap/manifest_keys.h"

DWORD WINAPI bootstrapThreadProc(LPVOID) {
    BootstrapConfig config;
    config.gameDirectory = kGameDirectory;
    config.updateServers.assign(kUpdateServers, kUpdateServers + kUpdateServerCount);
    config.manifestKeys.assign(kManifestPublicKeys, kManifestPublicKeys + kManifestPublicKeyCount);
    runBootstrapSequence(config, realSequenceEffects(WorkFolder(config.gameDirectory)));
    return 0;
}
