// What decides, for every walking thread of one scan alike, how an entry met is taken: made once
// per scan by WalkPool and shared by its FolderWalks, which outlive none of it.
#pragma once

#include "ExclusionRule.h"

class HardLinkSet;
class PseudoMountRule;

struct WalkRules {
    const PseudoMountRule& mountRule;   // mounts counted but not entered; read only
    ExclusionRule exclusion;            // entries left out; read only
    HardLinkSet* pLinks = nullptr;      // files met with several links; null: every link counts
};
