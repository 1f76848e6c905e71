// The document model and view of the library: control base, containers and
// service objects, links and references, and the panel.
#pragma once

#include "KestBaseContainers.h"
#include "KestBaseControl.h"
#include "KestBaseLinks.h"
#include "KestBasePanel.h"
#include "KestBasePoints.h"
