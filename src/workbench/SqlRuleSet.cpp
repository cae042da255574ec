#include "SqlRuleSet.h"

#include "ColorMemo.h"
#include "SqlRules.h"

void LoadSqlRuleSet(TColorMemo& memo) {
    memo.SetWantTabs(true);
    memo.SetRedrawAlways(true);
    memo.SetColorLimMax(0);
    memo.SetHotSpot(THotSpot{});
    memo.SetColor(clWindow);

    AddSqlRules(memo.ColorRules());
}
