#pragma once
// A patients header that reaches aside into the catalogue, which lies below the charts but beside
// the patients: the include check must refuse it.
#include "catalogue/catalogue_settings.h"
#include "workspace/path_text.h"
