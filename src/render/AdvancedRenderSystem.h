#pragma once
// The renderer the application owns. It adds the mesh pool to the core
// renderer; meshes arrive with the mesh loader.

#include "render/RenderSystem.h"

class AdvancedRenderSystem : public RenderSystem {};
