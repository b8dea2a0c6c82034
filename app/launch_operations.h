#pragma once
// The launch's effects on the real process, window and clock.

#include "bootstrap/java_launch.h"

LaunchOperations realLaunchOperations();
