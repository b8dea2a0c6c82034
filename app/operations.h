#pragma once
// The composition root: the sequence's effects filled with the program's real ones.

#include "bootstrap/sequence_effects.h"

SequenceEffects realSequenceEffects();
