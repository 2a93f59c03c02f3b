#pragma once
#include "engine/DirectoryCheck.h"
#include "support/Chaine.h"

// Why a directory cannot hold a run, in the user's words, as the wizard's
// warning and the command line's refusal say it; empty when it can. Any thread.
Chaine DirectoryProblemText(const DirectoryCheck::Result& found);
