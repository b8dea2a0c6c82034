#pragma once
// The composition root: the sequence's effects filled with the program's real ones.

#include "bootstrap/sequence_effects.h"
#include "bootstrap/work_folder.h"

// The work folder gives the names the effects keep links away from and sweep.
SequenceEffects realSequenceEffects(const WorkFolder& work);
