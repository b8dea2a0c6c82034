#pragma once
// Whether what the launch holds open may be started from: the verdicts a folder
// got when it was checked, applied again to the held handles, and the held
// folder the very one that was checked. Plain decisions, free of platform calls.

#include <string>

#include "files/folder_trust.h"

enum class HeldKind {
    GameDirectory,  // usable and in no need of repair
    WorkFolder,     // trusted, and the object that was checked or made
    Program,        // one name, a trusted owner
};

struct HeldObject {
    HeldKind kind = HeldKind::WorkFolder;
    FolderDescription found;      // through the held handle; for the program, isDirectory is false
    unsigned long nameCount = 1;  // the program's hard links
    FileIdentity checked;         // a work folder's identity when it was last checked, made or published
};

// Empty when it may be held for the launch; otherwise why not, for the support log.
std::string heldObjectRefusal(const HeldObject& held, const TrustContext& context);
