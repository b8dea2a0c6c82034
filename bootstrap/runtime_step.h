#pragma once
// The runtime step of a run: use, adopt, install or update the runtime in the
// work folder, as chooseRuntime decides.

#include <string>

#include "bootstrap/operations.h"
#include "bootstrap/work_folder.h"

// javaw.exe is preferred: it starts without a console of its own.
std::wstring findAnyJava(const BootstrapOperations& ops, const std::wstring& javaFolder);

// The Java executable to launch, or empty once a failure notice has been shown.
// An update that cannot be finished leaves the installed runtime in use.
std::wstring provideRuntime(const BootstrapOperations& ops, const WorkFolder& workFolder,
                            const ManifestSelection& selection);
