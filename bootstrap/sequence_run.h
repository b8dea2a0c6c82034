#pragma once
// What the steps of one run share: the configuration, the effects, the run's
// paths and what earlier steps found; and the one result every step returns.

#include <cstdint>
#include <string>
#include <vector>

#include "bootstrap/manifest.h"
#include "bootstrap/sequence_effects.h"
#include "bootstrap/work_folder.h"

struct BootstrapConfig {
    std::wstring gameDirectory;
    std::vector<std::string> updateServers;  // base URLs, tried in order
    std::vector<ManifestPublicKey> manifestKeys;  // empty: manifests need no signature
};

enum class StepOutcome {
    GoOn,        // the next step follows
    Failed,      // the run ends with `message`
    HandedOver,  // a newer starter does the rest: this run ends quietly
    Launched,    // the launcher runs: the splash closes
};

struct StepResult {
    StepOutcome outcome = StepOutcome::GoOn;
    const wchar_t* message = nullptr;  // for Failed only
};

inline StepResult goOn() { return StepResult{}; }
inline StepResult failed(const wchar_t* message) { return StepResult{StepOutcome::Failed, message}; }

// The scoped machine-wide lock on the work files: released on every way out,
// and for a hand-over, which must let the new starter in.
class WorkFilesLock {
public:
    explicit WorkFilesLock(const ProcessEffects& process) : process_(process) { take(); }
    WorkFilesLock(const WorkFilesLock&) = delete;
    WorkFilesLock& operator=(const WorkFilesLock&) = delete;
    ~WorkFilesLock() { release(); }

    void take() {
        if (held_) return;
        process_.lockWorkFiles();
        held_ = true;
    }
    // Once the work folder is trusted, a lock nobody else can hold lives there.
    void moveIntoWorkFolder() {
        if (held_) process_.lockWorkFiles();
    }
    void release() {
        if (!held_) return;
        process_.unlockWorkFiles();
        held_ = false;
    }

private:
    const ProcessEffects& process_;
    bool held_ = false;
};

struct SequenceRun {
    const BootstrapConfig& config;
    const SequenceEffects& effects;
    WorkFilesLock& lock;
    const WorkFolder work;
    std::uint64_t workerStartTick = 0;
    // Set by the steps, in order.
    bool workFolderReady = false;
    std::wstring setAsideWorkFolder;  // where an untrusted work folder went this run
    ManifestSelection selection;
    std::wstring javaExecutable;
    bool newerStarterUp = false;  // handed over: this run watches how the new program ends
};

// A file the run needs: copied out of a work folder set aside this run when it is
// verified there, else downloaded.
bool fetchVerifiedFile(const SequenceRun& run, const std::string& url, const std::wstring& targetPath,
                       const std::string& expectedSha256);
