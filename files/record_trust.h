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

// Whether a file that only SYSTEM and Administrators should open (what the starter
// hashes, replaces or keeps as a record) needs its private descriptor written: its
// owner is someone else, it has no DACL, or an entry grants anyone else any right
// (an earlier version let such files inherit read access for Users, enough to hold
// them open without sharing).
bool needsPrivateDescriptor(const SecurityDescription& security, const TrustContext& context);
