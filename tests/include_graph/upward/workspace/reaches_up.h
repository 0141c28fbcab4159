#pragma once
// A workspace header that reaches up into the catalogue: the include check must refuse it.
#include "catalogue/catalogue_settings.h"
#include "core/roc_date.h"
