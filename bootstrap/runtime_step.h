#pragma once
// The runtime step of a run: use, adopt, install or update the runtime in the
// work folder, as chooseRuntime decides.

#include <string>

#include "bootstrap/sequence_run.h"

// javaw.exe is preferred: it starts without a console of its own.
std::wstring findAnyJava(const FolderEffects& folders, const std::wstring& javaFolder);

// Leaves the Java executable to launch in run.javaExecutable, or fails with the
// message for the player. An update that cannot be finished leaves the installed
// runtime in use.
StepResult provideRuntime(SequenceRun& run);
