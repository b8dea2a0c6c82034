#pragma once
// Whether a small record file the starter keeps (its accepted manifest sequence)
// may be believed after its folder was set aside: the same rules as for a work
// folder, applied to one file.

#include <string>

#include "files/folder_trust.h"

struct FileDescription {
    bool isPlainFile = false;        // neither a folder nor a link
    bool finalPathMatches = false;   // the handle leads to the path we asked for
    unsigned long nameCount = 0;     // hard links: a second name lets its holder change it
    SecurityDescription security;
};

// Owned by a trusted principal, one name, and no one else may write, delete or re-permission it.
bool isTrustedRecordFile(const FileDescription& file, const TrustContext& context);
