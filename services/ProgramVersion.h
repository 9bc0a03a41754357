#pragma once
#include "services/TextRules.h"

// The running program's version from its own version resource: major and minor are the file
// version's first two fields, the revision its fourth (the third is not used).
VersionNumbers ProgramVersion();
