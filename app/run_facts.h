#pragma once
// What support needs to know about the machine and the program, for the log.

// The program's version, the Windows version and build, the screen DPI and
// whether the process is elevated. Cheap: read at start.
void logRunFacts();

// The program file's own SHA-256. Hashing megabytes costs milliseconds, so this
// is done at the end of a run, once the window is gone or a failure is shown.
void logProgramDigest();
