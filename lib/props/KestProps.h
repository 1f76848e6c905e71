// The property model every document object uses: the property framework,
// the published sub-property tables, the scalar and list kinds and the undo
// records of property changes.
#pragma once

#include "KestPropsBase.h"
#include "KestPropsHistory.h"
#include "KestPropsKinds.h"
#include "KestPropsList.h"
#include "KestPropsPublished.h"
