#pragma once
// A workspace header that includes only what lies below it.
#include "platform/big5.h"
#include "core/roc_date.h"
#include "workspace/path_text.h"
