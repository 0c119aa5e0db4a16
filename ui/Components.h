// The component model: forms and their controls, as a form designer keeps
// them.  Properties live here; each control has a platform peer that draws
// it and reports what the user did.
#pragma once

#include "ui/Application.h"
#include "ui/Component.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/FormDef.h"
#include "ui/Geometry.h"
