#pragma once
// What support needs to know about the machine and the program, for the log.

// The program's version, the Windows version and build, the screen DPI and
// whether the process is elevated. Cheap: read at start.
void logRunFacts();

// The program file's own SHA-256, once a run. Hashing megabytes costs milliseconds,
// so this is done when a failure is shown or once the window is gone, never before a launch.
void logProgramDigest();
