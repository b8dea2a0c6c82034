#pragma once
// The composition root: the sequence's seam filled with the program's real operations.

#include "bootstrap/operations.h"

BootstrapOperations realBootstrapOperations();
