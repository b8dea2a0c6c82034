#pragma once
// The rollback record: the highest manifest sequence this machine has accepted,
// kept in a small file, so that an older signed manifest is never taken again.

#include <cstdint>
#include <string>

enum class SequenceRecord {
    Present,     // a number was read
    None,        // the file does not exist
    Unreadable,  // anything else: held open by someone, denied, damaged
};

struct AcceptedSequence {
    SequenceRecord record = SequenceRecord::None;
    std::uint64_t value = 0;  // 0 unless Present
};

// The stored record. Only a missing file counts as none; a file that cannot be
// opened is tried again for up to two seconds (a scanner may hold it) and is
// then unreadable.
AcceptedSequence readRollbackRecord(const std::wstring& path);

// Stores the larger of `sequence` and what the file holds now, replacing it so
// that a crash leaves either the old or the new number: written to `replacement`
// (only SYSTEM and Administrators may open either), flushed, then moved over it.
// Stores nothing, and is false, when the file is unreadable.
bool storeRollbackRecord(const std::wstring& path, const std::wstring& replacement, std::uint64_t sequence);

// Carries the record of a work folder that was set aside into the new one, only
// when that file itself could be trusted (owner, rights, one name); otherwise the
// new folder starts without a record. True when a number was carried over.
bool carryRollbackRecord(const std::wstring& setAsideRecord, const std::wstring& path, const std::wstring& replacement);
