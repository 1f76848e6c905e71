// The whole plan of the site: its pages in the order of the station's tabs,
// the site plan with the fenced territory, the control post, the floors of
// the buildings and the template of the in-plan person card.
#pragma once

#include "PlanKit.h"

namespace doravo::gensite {

// The page size of every scheme, pixels.
constexpr int32_t PageWidth = 800;
constexpr int32_t PageHeight = 560;

// Builds the plan into an empty panel and fills the site's passes.
void BuildPlan(kest::TKestPanel& panel, TSiteDesign& site);

void DrawBuildings(TPlanKit& kit);
void DrawControlPost(TPlanKit& kit);
void DrawMainPlan(TPlanKit& kit);
void DrawCardTemplate(TPlanKit& kit);

} // namespace doravo::gensite
